// A window system in memory: the window is a bitmap, events are queued by the caller, time
// moves only when told. Tests and the render tool drive the real component layer through it.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "vcl/WindowSystem.h"

namespace vcl {

class OffscreenWindowSystem : public WindowSystem {
public:
    explicit OffscreenWindowSystem(Rect monitor = {0, 0, 1024, 768}) : monitor_(monitor) {}

    // ---- what the caller drives ----
    void Post(const WindowEvent& event) { queue_.push_back(event); }
    void MoveTo(Point p);
    void Press(Point p, int button = 1);
    void Release(Point p, int button = 1);
    void Click(Point p) {
        Press(p);
        Release(p);
    }
    // Lets ms of time pass; timers that fall due are queued behind the window events.
    void AdvanceTime(unsigned ms);
    // How many more timers the system can give (a real system runs out too).
    int timersLeft = 1 << 30;
    unsigned startResult = 33;

    // ---- what the caller looks at ----
    struct StartCall {
        std::string commandLine;
        unsigned showCommand;
        TBitmap screen;  // what the window showed when the call was made
    };
    const TBitmap& Screen() const { return screen_; }
    const WindowSettings& Settings() const { return settings_; }
    Rect ShownBounds() const { return shownBounds_; }
    ShowCommand ShownAs() const { return shownAs_; }
    bool Shown() const { return shown_; }
    CursorShape Cursor() const { return cursor_; }
    int RunningTimers() const { return int(timers_.size()); }
    struct Box {
        std::string caption, text;
        TBitmap screen;  // what the window showed behind the box
    };
    std::vector<Box> messageBoxes;
    std::vector<StartCall> starts;

    // ---- the interface ----
    Rect PrimaryMonitor() override { return monitor_; }
    void CreateWindow(const WindowSettings& settings) override { settings_ = settings; }
    void ShowWindow(ShowCommand command, const Rect& bounds) override;
    void Present(const TBitmap& frame, const Rect& area) override;
    void SetCursor(CursorShape shape) override { cursor_ = shape; }
    int StartTimer(unsigned intervalMs) override;
    void StopTimer(int id) override;
    WindowEvent WaitEvent(int timeoutMs) override;
    void MessageBox(const std::string& caption, const std::string& text) override;
    unsigned StartProgram(const std::string& commandLine, unsigned showCommand) override;

private:
    struct Timer {
        int id;
        unsigned interval;
        unsigned long long due;
    };

    Rect monitor_;
    WindowSettings settings_;
    Rect shownBounds_;
    ShowCommand shownAs_ = ShowCommand::Normal;
    bool shown_ = false;
    CursorShape cursor_ = CursorShape::Arrow;
    TBitmap screen_;
    std::deque<WindowEvent> queue_;
    std::vector<Timer> timers_;
    int nextTimer_ = 1;
    unsigned long long now_ = 0;
};

}  // namespace vcl
