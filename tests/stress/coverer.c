/* Makes expose events: an override-redirect window over the screen, mapped and unmapped COUNT
 * times, each time at another place, so that the windows under it must repaint what it hid.
 * Usage: coverer X Y WIDTH HEIGHT COUNT — the area (screen coordinates) it wanders over. */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    if (argc != 6) {
        fprintf(stderr, "usage: coverer X Y WIDTH HEIGHT COUNT\n");
        return 2;
    }
    int x = atoi(argv[1]), y = atoi(argv[2]), width = atoi(argv[3]), height = atoi(argv[4]);
    int count = atoi(argv[5]);
    if (width < 8 || height < 8 || count < 1) {
        fprintf(stderr, "coverer: the area must be at least 8 x 8 and COUNT at least 1\n");
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "coverer: cannot open display \"%s\"\n", XDisplayName(NULL));
        return 1;
    }
    /* Magenta, so that a part the launcher leaves unpainted stands out. */
    XSetWindowAttributes attributes = {0};
    attributes.override_redirect = True;
    attributes.background_pixel = 0xff00ff;
    Window cover =
        XCreateWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
    for (int i = 0; i < count; ++i) {
        /* From a sliver to half the area, anywhere in it, overlapping its edges now and then. */
        int w = 4 + (i * 97) % (width / 2), h = 4 + (i * 61) % (height / 2);
        int left = x - w / 4 + (i * 137) % width, top = y - h / 4 + (i * 89) % height;
        XMoveResizeWindow(display, cover, left, top, (unsigned)w, (unsigned)h);
        XMapRaised(display, cover);
        XSync(display, False);
        XUnmapWindow(display, cover);
        XSync(display, False);
    }
    XDestroyWindow(display, cover);
    XCloseDisplay(display);
    return 0;
}
