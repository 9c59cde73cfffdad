// The modal message box: a small fixed dialog with the text and one OK button, painted into a
// bitmap like everything else and run by its own loop until it is dismissed. The main window
// meanwhile takes no input but keeps its picture.
#include "vcl/x11/X11WindowSystem.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <string>
#include <vector>

#include "vcl/Graphics.h"

namespace vcl::x11 {
namespace {

constexpr TColor FromRgb(unsigned r, unsigned g, unsigned b) {
    return r | g << 8 | b << 16;
}

constexpr int kPadding = 20;    // around the text
constexpr int kButtonGap = 18;  // between the text and the button
constexpr int kBottom = 12;     // below the button
constexpr int kMinWidth = 180;
constexpr Rect kButtonSize{0, 0, 75, 23};
constexpr TColor kButtonFace = FromRgb(0xE1, 0xE1, 0xE1);
constexpr TColor kButtonEdge = FromRgb(0x00, 0x78, 0xD7);  // the default button's accent
constexpr TColor kPressedFace = FromRgb(0xCC, 0xE4, 0xF7);
constexpr TColor kPressedEdge = FromRgb(0x00, 0x54, 0x99);

TFont BoxFont() {
    TFont font;
    font.Name = "Sans";
    font.Height = -12;
    font.Color = clBlack;
    return font;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

struct BoxLayout {
    std::vector<std::string> lines;
    int lineHeight = 0;
    Rect button;
    int width = 0, height = 0;
};

BoxLayout Layout(const std::string& text) {
    BoxLayout layout;
    layout.lines = Lines(text);
    TBitmap none;
    TCanvas measure(none);
    measure.Font = BoxFont();
    int textWidth = 0;
    for (const std::string& line : layout.lines) {
        Point extent = measure.TextExtent(line.empty() ? " " : line);
        textWidth = std::max(textWidth, extent.x);
        layout.lineHeight = std::max(layout.lineHeight, extent.y);
    }
    int textHeight = layout.lineHeight * int(layout.lines.size());
    layout.width = std::max({textWidth + 2 * kPadding, kButtonSize.w + 2 * kPadding, kMinWidth});
    layout.button = {(layout.width - kButtonSize.w) / 2, kPadding + textHeight + kButtonGap,
                     kButtonSize.w, kButtonSize.h};
    layout.height = layout.button.y + layout.button.h + kBottom;
    return layout;
}

void Frame(TCanvas& canvas, const Rect& r, TColor color) {
    canvas.FillRect({r.x, r.y, r.w, 1}, color);
    canvas.FillRect({r.x, r.y + r.h - 1, r.w, 1}, color);
    canvas.FillRect({r.x, r.y, 1, r.h}, color);
    canvas.FillRect({r.x + r.w - 1, r.y, 1, r.h}, color);
}

// The dotted rectangle that says the keyboard is here: Enter or Space presses this button.
void FocusRect(TCanvas& canvas, const Rect& r) {
    for (int x = r.x; x < r.x + r.w; x += 2) {
        canvas.FillRect({x, r.y, 1, 1}, clBlack);
        canvas.FillRect({x, r.y + r.h - 1, 1, 1}, clBlack);
    }
    for (int y = r.y; y < r.y + r.h; y += 2) {
        canvas.FillRect({r.x, y, 1, 1}, clBlack);
        canvas.FillRect({r.x + r.w - 1, y, 1, 1}, clBlack);
    }
}

void PaintButton(TBitmap& face, const Rect& button, bool pressed) {
    TCanvas canvas(face);
    canvas.Font = BoxFont();
    canvas.FillRect(button, pressed ? kPressedFace : kButtonFace);
    Frame(canvas, button, pressed ? kPressedEdge : kButtonEdge);
    FocusRect(canvas, {button.x + 3, button.y + 3, button.w - 6, button.h - 6});
    Point extent = canvas.TextExtent("OK");
    canvas.TextOut(button.x + (button.w - extent.x) / 2, button.y + (button.h - extent.y) / 2,
                   "OK");
}

TBitmap PaintFace(const BoxLayout& layout) {
    TBitmap face(layout.width, layout.height);
    TCanvas canvas(face);
    canvas.Font = BoxFont();
    canvas.FillRect({0, 0, layout.width, layout.height}, clBtnFace);
    for (std::size_t i = 0; i < layout.lines.size(); ++i)
        canvas.TextOut(kPadding, kPadding + int(i) * layout.lineHeight, layout.lines[i]);
    PaintButton(face, layout.button, false);
    return face;
}

bool IsDismissKey(XKeyEvent& key) {
    KeySym sym = XLookupKeysym(&key, 0);
    return sym == XK_Return || sym == XK_KP_Enter || sym == XK_Escape || sym == XK_space;
}

}  // namespace

void X11WindowSystem::MessageBox(const std::string& caption, const std::string& text) {
    Display* display = display_.get();
    BoxLayout layout = Layout(text);
    TBitmap face = PaintFace(layout);
    Rect around = window_ ? bounds_ : PrimaryMonitor();
    Rect bounds{around.x + (around.w - layout.width) / 2, around.y + (around.h - layout.height) / 2,
                layout.width, layout.height};

    OwnedWindow box = CreateTopLevel(bounds, ExposureMask | ButtonPressMask | ButtonReleaseMask |
                                                 PointerMotionMask | KeyPressMask | KeyReleaseMask |
                                                 StructureNotifyMask);
    DescribeToWindowManager(box.Get(), caption, true, bounds);
    SetFrameHints(box.Get(), true);
    Atom dialog = atoms_.netWmWindowTypeDialog;
    XChangeProperty(display, box.Get(), atoms_.netWmWindowType, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&dialog), 1);
    if (window_) XSetTransientForHint(display, box.Get(), window_.Get());
    XMapRaised(display, box.Get());
    RunBox(box.Get(), face, layout.button);
}

void X11WindowSystem::RunBox(Window box, TBitmap& face, const Rect& button) {
    Display* display = display_.get();
    bool pressed = false;  // the left button went down on OK and is still held
    bool over = false;     // the pointer is over OK
    unsigned heldKey = 0;  // a key that presses OK, down and not yet released
    bool shownPressed = false;
    for (;;) {
        if (!XPending(display)) {
            Sleep(-1);
            if (TakeSignal()) break;  // an end request: the box goes, the main loop closes
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (window_ && event.xany.window == window_.Get()) {
            // Input is dropped; the picture is kept; a close request ends the box and then all.
            if (event.type == kExposeType && lastFrame_) {
                const XExposeEvent& e = event.xexpose;
                PutImage(window_.Get(), *lastFrame_, {e.x, e.y, e.width, e.height});
            } else if (IsDeleteRequest(event)) {
                closePending_ = true;
                return;
            }
            continue;
        }
        if (event.xany.window != box) continue;
        switch (event.type) {
            case kExposeType: {
                const XExposeEvent& e = event.xexpose;
                PutImage(box, face, {e.x, e.y, e.width, e.height});
                continue;
            }
            case MapNotify:
                // Refused when a window manager has not shown it yet; it then gives focus itself.
                XSetInputFocus(display, box, RevertToParent, CurrentTime);
                continue;
            case KeyPress:
                if (!IsDismissKey(event.xkey)) continue;
                heldKey = event.xkey.keycode;
                break;
            case KeyRelease:
                // On the release, as a button does: a key pressed before the box came up and
                // released over it does not dismiss it.
                if (heldKey != 0 && event.xkey.keycode == heldKey) return;
                continue;
            case ClientMessage:
                if (IsDeleteRequest(event)) return;
                continue;
            case ButtonPress:
                if (event.xbutton.button != 1) continue;
                pressed = button.Contains({event.xbutton.x, event.xbutton.y});
                over = pressed;
                break;
            case MotionNotify:
                over = button.Contains({event.xmotion.x, event.xmotion.y});
                break;
            case ButtonRelease:
                if (event.xbutton.button != 1) continue;
                if (pressed && button.Contains({event.xbutton.x, event.xbutton.y})) return;
                pressed = false;
                break;
            default:
                continue;
        }
        // The button looks pressed while held down over it or by its key, as buttons do.
        if (((pressed && over) || heldKey != 0) != shownPressed) {
            shownPressed = !shownPressed;
            PaintButton(face, button, shownPressed);
            PutImage(box, face, button);
        }
    }
    closePending_ = true;
}

}  // namespace vcl::x11
