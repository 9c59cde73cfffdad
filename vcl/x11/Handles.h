// Owners for what the X11 window system holds: the display connection, server resources
// (windows, cursors, graphics contexts) and file descriptors, each released exactly once.
#pragma once

#include <X11/Xlib.h>
#include <time.h>
#include <unistd.h>

#include <memory>
#include <utility>

namespace vcl::x11 {

struct CloseDisplay {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, CloseDisplay>;

// A server resource freed through its display; the display must outlive it.
template <class Handle, auto Free>
class XOwned {
public:
    XOwned() = default;
    XOwned(Display* display, Handle handle) : display_(display), handle_(handle) {}
    XOwned(XOwned&& other) noexcept
        : display_(other.display_), handle_(std::exchange(other.handle_, Handle{})) {}
    XOwned& operator=(XOwned&& other) noexcept {
        if (this != &other) {
            Reset();
            display_ = other.display_;
            handle_ = std::exchange(other.handle_, Handle{});
        }
        return *this;
    }
    ~XOwned() { Reset(); }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }
    void Reset() {
        if (handle_ != Handle{}) Free(display_, std::exchange(handle_, Handle{}));
    }

private:
    Display* display_ = nullptr;
    Handle handle_{};
};

using OwnedWindow = XOwned<Window, XDestroyWindow>;
using OwnedCursor = XOwned<Cursor, XFreeCursor>;
using OwnedGC = XOwned<GC, XFreeGC>;

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            if (fd_ >= 0) close(fd_);
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    ~Fd() {
        if (fd_ >= 0) close(fd_);
    }

    int Get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// A POSIX timer, deleted with its owner.
class OwnedTimer {
public:
    explicit OwnedTimer(timer_t timer) : timer_(timer) {}
    OwnedTimer(OwnedTimer&& other) noexcept : timer_(std::exchange(other.timer_, nullptr)) {}
    OwnedTimer& operator=(OwnedTimer&&) = delete;
    ~OwnedTimer() {
        if (timer_) timer_delete(timer_);
    }

private:
    timer_t timer_;
};

}  // namespace vcl::x11
