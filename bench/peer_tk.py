#!/usr/bin/python3
"""A peer for the benchmark: the launcher's start screen as a Python program would usually show
it, with Tk and Pillow. Borderless 639 x 481 window centred on the screen, the picture stretched
nearest-neighbour, two hot areas with a hand cursor (Install and Exit both just close it here), and
exit code 0 when the window system asks it to close. Reads the picture from disk at start-up."""
import ctypes
import sys
import tkinter

from PIL import Image, ImageTk

WIDTH, HEIGHT = 639, 481
HOT_AREAS = [(128, 344, 129, 57), (384, 344, 121, 57)]  # Install, Exit: x, y, width, height


def in_hot_area(x, y):
    return any(ax <= x < ax + w and ay <= y < ay + h for ax, ay, w, h in HOT_AREAS)


def ask_for_no_frame(root):
    """Tk has no word for "borderless but managed": set the window manager hints through Xlib,
    as the launcher does (no decorations; move, minimise and close allowed)."""
    xlib = ctypes.CDLL("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                     ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                     ctypes.c_void_p, ctypes.c_int]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = xlib.XOpenDisplay(None)
    if not display:
        return
    motif = xlib.XInternAtom(display, b"_MOTIF_WM_HINTS", 0)
    hints = (ctypes.c_long * 5)(1 | 2, 4 | 8 | 32, 0, 0, 0)
    xlib.XChangeProperty(display, int(root.wm_frame(), 16), motif, motif, 32, 0, hints, 5)
    xlib.XCloseDisplay(display)


def main():
    picture = sys.argv[1] if len(sys.argv) > 1 else "resources/background.jpg"
    root = tkinter.Tk(className="peer_tk")
    root.title("peer_tk")
    x = (root.winfo_screenwidth() - WIDTH) // 2
    y = (root.winfo_screenheight() - HEIGHT) // 2
    root.geometry(f"{WIDTH}x{HEIGHT}+{x}+{y}")
    root.resizable(False, False)
    photo = ImageTk.PhotoImage(Image.open(picture).resize((WIDTH, HEIGHT), Image.NEAREST))
    canvas = tkinter.Canvas(root, width=WIDTH, height=HEIGHT, highlightthickness=0, borderwidth=0)
    canvas.create_image(0, 0, image=photo, anchor="nw")
    canvas.pack()
    canvas.bind("<Motion>",
                lambda e: canvas.configure(cursor="hand2" if in_hot_area(e.x, e.y) else ""))
    canvas.bind("<ButtonRelease-1>", lambda e: root.destroy() if in_hot_area(e.x, e.y) else None)
    root.update_idletasks()
    ask_for_no_frame(root)
    root.mainloop()  # the default close request destroys the window and ends the loop
    return 0


if __name__ == "__main__":
    sys.exit(main())
