/* The floor: the least a program can do to show the launcher's start screen with bare Xlib and
   libjpeg. Decodes the built-in picture, opens a borderless 639 x 481 window centred on the
   screen, puts the picture on every Expose and ends with 0 when the window system asks it to
   close. The benchmark compares the launcher with this. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>

#include "background.h"

/* Borderless as the launcher asks for it: no decorations; move, minimise and close allowed. */
static void set_frame_hints(Display* display, Window window) {
    long hints[5] = {1 | 2, 4 | 8 | 32, 0, 0, 0};
    Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    XChangeProperty(display, window, motif, motif, 32, PropModeReplace, (unsigned char*)hints, 5);
}

static void set_fixed_size(Display* display, Window window, int x, int y) {
    XSizeHints size = {0};
    size.flags = PPosition | PSize | PMinSize | PMaxSize;
    size.x = x;
    size.y = y;
    size.width = size.min_width = size.max_width = WINDOW_WIDTH;
    size.height = size.min_height = size.max_height = WINDOW_HEIGHT;
    XSetWMNormalHints(display, window, &size);
}

int main(void) {
    uint32_t* pixels = load_background();
    if (!pixels) return 1;
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "floor: cannot open the display\n");
        return 1;
    }
    int screen = DefaultScreen(display);
    int x = (DisplayWidth(display, screen) - WINDOW_WIDTH) / 2;
    int y = (DisplayHeight(display, screen) - WINDOW_HEIGHT) / 2;
    /* No background: the server must not fill the window before the picture arrives. */
    XSetWindowAttributes attributes = {0};
    attributes.background_pixmap = None;
    attributes.event_mask = ExposureMask;
    Window window = XCreateWindow(display, RootWindow(display, screen), x, y, WINDOW_WIDTH,
                                  WINDOW_HEIGHT, 0, CopyFromParent, InputOutput, CopyFromParent,
                                  CWBackPixmap | CWEventMask, &attributes);
    XStoreName(display, window, "floor");
    set_fixed_size(display, window, x, y);
    set_frame_hints(display, window);
    Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    Atom delete_window = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &delete_window, 1);

    Visual* visual = DefaultVisual(display, screen);
    XImage* image = XCreateImage(display, visual, (unsigned)DefaultDepth(display, screen), ZPixmap,
                                 0, (char*)pixels, WINDOW_WIDTH, WINDOW_HEIGHT, 32, 0);
    GC gc = XCreateGC(display, window, 0, NULL);
    XMapWindow(display, window);

    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == Expose) {
            XExposeEvent* e = &event.xexpose;
            XPutImage(display, window, gc, image, e->x, e->y, e->x, e->y, (unsigned)e->width,
                      (unsigned)e->height);
        } else if (event.type == ClientMessage && event.xclient.message_type == protocols &&
                   (Atom)event.xclient.data.l[0] == delete_window) {
            break;
        }
    }
    XDestroyImage(image); /* frees pixels too */
    XFreeGC(display, gc);
    XCloseDisplay(display);
    return 0;
}
