/* Asks a window to close as a window manager's close button does: a WM_DELETE_WINDOW message
 * of the WM_PROTOCOLS kind. Usage: xclose WINDOW-ID (decimal or 0x hex). */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: xclose WINDOW-ID\n");
        return 2;
    }
    char* end;
    Window window = strtoul(argv[1], &end, 0);
    if (*end != '\0' || window == 0) {
        fprintf(stderr, "xclose: '%s' is not a window id\n", argv[1]);
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "xclose: cannot open display \"%s\"\n", XDisplayName(NULL));
        return 1;
    }
    XEvent event = {0};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    /* A window that is not there comes back as an error, which ends us with a message. */
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
