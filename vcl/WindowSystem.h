// The one narrow interface between the component layer and a window system: X11 now, an
// off-screen one for tests, Win32 later. It serves exactly one top-level window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vcl/Graphics.h"
#include "vcl/Types.h"

namespace vcl {

enum class CursorShape { Arrow, HandPoint };

// How the process was asked to show its main window.
enum class ShowCommand { Normal, Maximized, Minimized };

struct WindowSettings {
    Rect bounds;             // outer = client rectangle, on the screen
    bool borderless = true;  // no frame, no caption, not resizable by the user
    std::string title;       // taskbar entry and window-manager name
    int iconWidth = 0;       // icon as 0xAARRGGBB, rows top-down
    int iconHeight = 0;
    std::vector<std::uint32_t> iconArgb;
};

struct WindowEvent {
    enum class Kind { None, Expose, Resize, MouseMove, ButtonDown, ButtonUp, Close, Timer };
    Kind kind = Kind::None;
    Rect area;       // Expose: the region to repaint; Resize: the new client rectangle
    Point pos;       // mouse events, client coordinates
    int button = 0;  // 1 left, 2 middle, 3 right
    int timer = 0;   // Timer: the id StartTimer gave
};

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // The primary monitor's rectangle on the screen.
    virtual Rect PrimaryMonitor() = 0;
    // Creates the window hidden; throws EOutOfResources when it cannot.
    virtual void CreateWindow(const WindowSettings& settings) = 0;
    virtual void ShowWindow(ShowCommand command, const Rect& bounds) = 0;
    // Puts area of frame (the client area's bitmap) on the screen and flushes it there.
    virtual void Present(const TBitmap& frame, const Rect& area) = 0;
    virtual void SetCursor(CursorShape shape) = 0;
    // A repeating timer; returns its id, or 0 when the system has none left.
    virtual int StartTimer(unsigned intervalMs) = 0;
    virtual void StopTimer(int id) = 0;
    // The next event: window events first, then due timers. timeoutMs < 0 waits for ever;
    // returns Kind::None when the time runs out.
    virtual WindowEvent WaitEvent(int timeoutMs) = 0;
    // A modal box with one OK button; the main window takes no input until it is dismissed.
    virtual void MessageBox(const std::string& caption, const std::string& text) = 0;
    // Starts a program from a command line, with WinExec's meaning of arguments and result.
    virtual unsigned StartProgram(const std::string& commandLine, unsigned showCommand) = 0;
};

// The window system of this platform (X11 on Linux); throws EOutOfResources without a display.
std::unique_ptr<WindowSystem> CreatePlatformWindowSystem();

}  // namespace vcl
