// The off-screen window system: presented areas are copied into a screen bitmap, timers run on
// a clock that only the caller moves.
#include "vcl/offscreen/OffscreenWindowSystem.h"

#include <algorithm>

#include "vcl/SysUtils.h"

namespace vcl {

void OffscreenWindowSystem::MoveTo(Point p) {
    WindowEvent e;
    e.kind = WindowEvent::Kind::MouseMove;
    e.pos = p;
    Post(e);
}

void OffscreenWindowSystem::Press(Point p, int button) {
    MoveTo(p);
    WindowEvent e;
    e.kind = WindowEvent::Kind::ButtonDown;
    e.pos = p;
    e.button = button;
    Post(e);
}

void OffscreenWindowSystem::Release(Point p, int button) {
    WindowEvent e;
    e.kind = WindowEvent::Kind::ButtonUp;
    e.pos = p;
    e.button = button;
    Post(e);
}

void OffscreenWindowSystem::AdvanceTime(unsigned ms) {
    unsigned long long until = now_ + ms;
    // Timers fire in the order they fall due, each as often as its interval allows.
    for (;;) {
        auto next = std::min_element(timers_.begin(), timers_.end(),
                                     [](auto& a, auto& b) { return a.due < b.due; });
        if (next == timers_.end() || next->due > until) break;
        now_ = next->due;
        next->due += next->interval;
        WindowEvent e;
        e.kind = WindowEvent::Kind::Timer;
        e.timer = next->id;
        Post(e);
    }
    now_ = until;
}

void OffscreenWindowSystem::ShowWindow(ShowCommand command, const Rect& bounds) {
    shown_ = true;
    shownAs_ = command;
    shownBounds_ = bounds;
    screen_.SetSize(bounds.w, bounds.h);
    WindowEvent e;
    e.kind = WindowEvent::Kind::Expose;
    e.area = {0, 0, bounds.w, bounds.h};
    Post(e);
}

void OffscreenWindowSystem::Present(const TBitmap& frame, const Rect& area) {
    if (screen_.Width() != frame.Width() || screen_.Height() != frame.Height())
        screen_.SetSize(frame.Width(), frame.Height());
    TCanvas canvas(screen_);
    canvas.SetClipRect(area);
    canvas.Draw(0, 0, frame);
}

int OffscreenWindowSystem::StartTimer(unsigned intervalMs) {
    if (timersLeft <= 0) return 0;
    --timersLeft;
    timers_.push_back({nextTimer_, intervalMs, now_ + intervalMs});
    return nextTimer_++;
}

void OffscreenWindowSystem::StopTimer(int id) {
    auto it = std::find_if(timers_.begin(), timers_.end(), [&](auto& t) { return t.id == id; });
    if (it == timers_.end()) return;
    timers_.erase(it);
    ++timersLeft;
    // A tick already queued for a stopped timer never arrives, as with a real system's timer.
    std::erase_if(queue_, [&](const WindowEvent& e) {
        return e.kind == WindowEvent::Kind::Timer && e.timer == id;
    });
}

WindowEvent OffscreenWindowSystem::WaitEvent(int timeoutMs) {
    if (queue_.empty() && timeoutMs != 0) {
        // Waiting lets time pass up to the next timer, or the timeout.
        auto next = std::min_element(timers_.begin(), timers_.end(),
                                     [](auto& a, auto& b) { return a.due < b.due; });
        if (next != timers_.end() && (timeoutMs < 0 || next->due <= now_ + unsigned(timeoutMs))) {
            AdvanceTime(unsigned(next->due - now_));
        } else if (timeoutMs > 0) {
            now_ += unsigned(timeoutMs);
        } else {
            throw Exception("off-screen window system: waiting for ever with nothing to come");
        }
    }
    if (queue_.empty()) return {};
    WindowEvent e = queue_.front();
    queue_.pop_front();
    return e;
}

void OffscreenWindowSystem::MessageBox(const std::string& caption, const std::string& text) {
    messageBoxes.push_back({caption, text, screen_});
}

unsigned OffscreenWindowSystem::StartProgram(const std::string& commandLine, unsigned showCommand) {
    starts.push_back({commandLine, showCommand, screen_});
    return startResult;
}

}  // namespace vcl
