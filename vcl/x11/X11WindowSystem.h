// The window system on X11 (plain Xlib): one top-level window shown from bitmaps, its events,
// timers and requests to end the process read through one poll, and a modal message box.
// Include it before any other X header: it puts away Xlib macros that would hide our names.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "vcl/WindowSystem.h"
#include "vcl/x11/Handles.h"

namespace vcl::x11 {
// X.h defines Expose, None and CursorShape as macros, which would hide those names of ours; the
// two X values used here are kept under names of their own and the macros go.
inline constexpr int kExposeType = Expose;
inline constexpr unsigned long kNoResource = None;
}  // namespace vcl::x11
#undef Expose
#undef None
#undef CursorShape

namespace vcl::x11 {

class X11WindowSystem : public WindowSystem {
public:
    // Opens the display DISPLAY names; throws EOutOfResources when there is none.
    X11WindowSystem();
    ~X11WindowSystem() override;

    Rect PrimaryMonitor() override;
    void CreateWindow(const WindowSettings& settings) override;
    void ShowWindow(ShowCommand command, const Rect& bounds) override;
    void Present(const TBitmap& frame, const Rect& area) override;
    void SetCursor(CursorShape shape) override;
    int StartTimer(unsigned intervalMs) override;
    void StopTimer(int id) override;
    WindowEvent WaitEvent(int timeoutMs) override;
    void MessageBox(const std::string& caption, const std::string& text) override;
    unsigned StartProgram(const std::string& commandLine, unsigned showCommand) override;

private:
    struct Atoms {
        Atom wmProtocols, wmDeleteWindow, motifWmHints, netWmName, utf8String, netWmIcon, netWmPid,
            netWmState, netWmStateMaximizedVert, netWmStateMaximizedHorz, netWmWindowType,
            netWmWindowTypeDialog;
    };
    static Atoms InternAtoms(Display* display);

    // Creation and the properties window managers read.
    OwnedWindow CreateTopLevel(const Rect& bounds, long events);
    // Name, class, machine, size and place hints, and the close protocol.
    void DescribeToWindowManager(Window window, const std::string& title, bool fixedSize,
                                 const Rect& bounds);
    // No frame at all, or the frame of a dialog: a title and a close box, never a resize.
    void SetFrameHints(Window window, bool dialog);
    void SetIcon(Window window, const WindowSettings& settings);
    bool IsDeleteRequest(const XEvent& event) const;
    void SetText(Window window, Atom property, Atom type, const std::string& text);
    Cursor CursorFor(CursorShape shape);

    // Events and what sleeps for them.
    std::optional<WindowEvent> Translate(const XEvent& event);
    // Reads what the signals brought: timer ticks are queued, an end request returns true.
    bool TakeSignal();
    void Sleep(int timeoutMs);

    // Bitmaps to the screen, converted to the visual's pixels.
    void PutImage(Window target, const TBitmap& bitmap, const Rect& area);

    // The message box's loop; returns when it is dismissed.
    void RunBox(Window box, TBitmap& face, const Rect& button);

    DisplayPtr display_;  // first in, last out: everything below is freed through it
    int screen_ = 0;
    Visual* visual_ = nullptr;
    int depth_ = 0;
    Atoms atoms_{};
    OwnedGC gc_;
    OwnedCursor cursors_[2];
    Fd signals_;

    OwnedWindow window_;
    std::string windowClass_;
    Rect bounds_;
    bool fixedSize_ = false;
    CursorShape cursor_ = CursorShape::Arrow;
    const TBitmap* lastFrame_ = nullptr;  // repaints the main window while a box is up
    bool closePending_ = false;           // an end request that came while a box was up

    std::map<int, OwnedTimer> timers_;
    std::deque<int> dueTimers_;  // ticks read but not yet delivered (a box may be up)
    int nextTimer_ = 1;
    std::vector<std::uint32_t> pixels_;  // the image buffer, kept between presents
};

}  // namespace vcl::x11
