// The X11 window system: the connection, the main window and the hints window managers read,
// cursors, timers, and the one loop that sleeps in poll() until the server, a timer or a request
// to end the process has something to say.
#include "vcl/x11/X11WindowSystem.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "vcl/SysUtils.h"
#include "vcl/WinExec.h"

namespace vcl {

std::unique_ptr<WindowSystem> CreatePlatformWindowSystem() {
    return std::make_unique<x11::X11WindowSystem>();
}

namespace x11 {
namespace {

constexpr long kMainWindowEvents = ExposureMask | ButtonPressMask | ButtonReleaseMask |
                                   PointerMotionMask | EnterWindowMask | LeaveWindowMask |
                                   StructureNotifyMask;

// Protocol errors arrive late and are mostly harmless here (focus given to a window that was
// just unmapped, say); the last one is kept so a request that must succeed can be checked.
XErrorEvent lastError{};

int RecordError(Display*, XErrorEvent* error) {
    lastError = *error;
    return 0;
}

// Xlib may not return from this handler: the connection is gone and with it the window.
[[noreturn]] int LostConnection(Display* display) {
    std::fprintf(stderr, "%s: lost the connection to X display \"%s\"\n",
                 program_invocation_short_name, DisplayString(display));
    _exit(1);
}

std::string OpenFailure() {
    std::string name = XDisplayName(nullptr);
    if (name.empty())
        return "cannot open an X display: DISPLAY is not set (xvfb-run starts a virtual one)";
    return "cannot open X display \"" + name +
           "\" (is an X server running there? xvfb-run starts a virtual one)";
}

std::string ErrorText(Display* display, int code) {
    char text[128] = "";
    XGetErrorText(display, code, text, sizeof text);
    return text;
}

// The signal each running timer sends; its value names the timer.
int TimerSignal() {
    return SIGRTMIN;
}

// SIGTERM, SIGINT and SIGHUP, and the timers' signal, are read as data through one descriptor,
// so a request to end the process or a tick is one more event of the loop and never runs code
// inside a signal handler. They stay blocked for good: an end request arriving while the program
// ends must not make the signal its exit status. Started programs get a clean mask and
// dispositions from StartProcess.
Fd ReadSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGTERM, SIGINT, SIGHUP, TimerSignal()}) sigaddset(&set, signal);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    Fd fd(signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK));
    if (!fd)
        throw EOutOfResources(std::string("cannot watch for end requests: ") + strerror(errno));
    return fd;
}

WindowEvent Event(WindowEvent::Kind kind) {
    WindowEvent event;
    event.kind = kind;
    return event;
}

WindowEvent AreaEvent(WindowEvent::Kind kind, Rect area) {
    WindowEvent event = Event(kind);
    event.area = area;
    return event;
}

WindowEvent PointerEvent(WindowEvent::Kind kind, int x, int y, int button = 0) {
    WindowEvent event = Event(kind);
    event.pos = {x, y};
    event.button = button;
    return event;
}

XSizeHints SizeHints(const Rect& bounds, bool fixedSize) {
    XSizeHints hints{};
    // The program chose the place (centred): window managers should keep it.
    hints.flags = PPosition | USPosition | PSize;
    hints.x = bounds.x;
    hints.y = bounds.y;
    hints.width = bounds.w;
    hints.height = bounds.h;
    if (fixedSize) {
        hints.flags |= PMinSize | PMaxSize;
        hints.min_width = hints.max_width = bounds.w;
        hints.min_height = hints.max_height = bounds.h;
    }
    return hints;
}

}  // namespace

X11WindowSystem::X11WindowSystem() : display_(XOpenDisplay(nullptr)) {
    if (!display_) throw EOutOfResources(OpenFailure());
    XSetErrorHandler(RecordError);
    XSetIOErrorHandler(LostConnection);
    Display* display = display_.get();
    // The connection must not be inherited by the programs we start.
    fcntl(ConnectionNumber(display), F_SETFD, FD_CLOEXEC);
    screen_ = DefaultScreen(display);
    visual_ = DefaultVisual(display, screen_);
    depth_ = DefaultDepth(display, screen_);
    if (visual_->c_class != TrueColor)
        throw EOutOfResources("X display \"" + std::string(DisplayString(display)) +
                              "\" has no true-colour visual");
    atoms_ = InternAtoms(display);
    gc_ = OwnedGC(display, XCreateGC(display, RootWindow(display, screen_), 0, nullptr));
    signals_ = ReadSignals();
}

X11WindowSystem::~X11WindowSystem() = default;

X11WindowSystem::Atoms X11WindowSystem::InternAtoms(Display* display) {
    static const char* const names[] = {
        "WM_PROTOCOLS",
        "WM_DELETE_WINDOW",
        "_MOTIF_WM_HINTS",
        "_NET_WM_NAME",
        "UTF8_STRING",
        "_NET_WM_ICON",
        "_NET_WM_PID",
        "_NET_WM_STATE",
        "_NET_WM_STATE_MAXIMIZED_VERT",
        "_NET_WM_STATE_MAXIMIZED_HORZ",
        "_NET_WM_WINDOW_TYPE",
        "_NET_WM_WINDOW_TYPE_DIALOG",
    };
    static_assert(std::size(names) * sizeof(Atom) == sizeof(Atoms), "one name for each atom");
    Atom a[std::size(names)];
    XInternAtoms(display, const_cast<char**>(names), int(std::size(names)), False, a);
    return {a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11]};
}

// The primary monitor as RandR names it (else the first one); the whole screen where the server
// has no RandR monitors.
Rect X11WindowSystem::PrimaryMonitor() {
    Display* display = display_.get();
    Rect screen{0, 0, DisplayWidth(display, screen_), DisplayHeight(display, screen_)};
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase) ||
        !XRRQueryVersion(display, &major, &minor) || major * 100 + minor < 105)
        return screen;
    int count = 0;
    std::unique_ptr<XRRMonitorInfo, decltype(&XRRFreeMonitors)> monitors(
        XRRGetMonitors(display, RootWindow(display, screen_), True, &count), XRRFreeMonitors);
    if (!monitors || count <= 0) return screen;
    const XRRMonitorInfo* chosen = monitors.get();
    for (int i = 0; i < count; ++i)
        if (monitors.get()[i].primary) chosen = monitors.get() + i;
    if (chosen->width <= 0 || chosen->height <= 0) return screen;
    return {chosen->x, chosen->y, chosen->width, chosen->height};
}

// ---- windows ------------------------------------------------------------------------------

OwnedWindow X11WindowSystem::CreateTopLevel(const Rect& bounds, long events) {
    Display* display = display_.get();
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = kNoResource;  // every pixel is ours to paint: no flash of a fill
    attributes.event_mask = events;
    attributes.cursor = CursorFor(CursorShape::Arrow);
    lastError = {};
    unsigned long serial = NextRequest(display);
    Window window = XCreateWindow(display, RootWindow(display, screen_), bounds.x, bounds.y,
                                  unsigned(bounds.w), unsigned(bounds.h), 0, depth_, InputOutput,
                                  visual_, CWBackPixmap | CWEventMask | CWCursor, &attributes);
    XSync(display, False);  // the refusal, if any, comes back as an error
    if (lastError.error_code != Success && lastError.serial >= serial)
        throw EOutOfResources("cannot create a window of " + std::to_string(bounds.w) + " x " +
                              std::to_string(bounds.h) +
                              " pixels: " + ErrorText(display, lastError.error_code));
    return OwnedWindow(display, window);
}

void X11WindowSystem::DescribeToWindowManager(Window window, const std::string& title,
                                              bool fixedSize, const Rect& bounds) {
    XSizeHints size = SizeHints(bounds, fixedSize);
    XWMHints wm{};
    wm.flags = InputHint | StateHint;
    wm.input = True;
    wm.initial_state = NormalState;
    // The class names the program to window managers: (title, title with a capital).
    std::string name = title, className = windowClass_;
    XClassHint classHint{name.data(), className.data()};
    // Set one by one: Xlib's all-in-one call loads its locale machinery first, which costs
    // more than the rest of start-up's window set-up together.
    Display* display = display_.get();
    XSetWMNormalHints(display, window, &size);
    XSetWMHints(display, window, &wm);
    XSetClassHint(display, window, &classHint);
    // The old names as plain text when the title is ASCII, else as UTF-8 like the new one,
    // which window managers and taskbars read first.
    bool ascii = std::all_of(title.begin(), title.end(), [](char c) { return c > 0; });
    Atom oldType = ascii ? XA_STRING : atoms_.utf8String;
    for (Atom property : {Atom(XA_WM_NAME), Atom(XA_WM_ICON_NAME)})
        SetText(window, property, oldType, title);
    SetText(window, atoms_.netWmName, atoms_.utf8String, title);
    char host[256] = "";
    if (gethostname(host, sizeof host - 1) == 0)
        SetText(window, XA_WM_CLIENT_MACHINE, XA_STRING, host);
    XSetWMProtocols(display_.get(), window, &atoms_.wmDeleteWindow, 1);
}

void X11WindowSystem::SetText(Window window, Atom property, Atom type, const std::string& text) {
    XChangeProperty(display_.get(), window, property, type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text.data()), int(text.size()));
}

void X11WindowSystem::SetFrameHints(Window window, bool dialog) {
    // _MOTIF_WM_HINTS: flags, functions, decorations, input mode, status.
    constexpr long kFunctionsGiven = 1, kDecorationsGiven = 2;
    constexpr long kMove = 4, kMinimize = 8, kClose = 32;
    constexpr long kBorder = 2, kTitle = 8, kMenu = 16;
    long functions = dialog ? kMove | kClose : kMove | kMinimize | kClose;
    long decorations = dialog ? kBorder | kTitle | kMenu : 0;
    long hints[5] = {kFunctionsGiven | kDecorationsGiven, functions, decorations, 0, 0};
    XChangeProperty(display_.get(), window, atoms_.motifWmHints, atoms_.motifWmHints, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(hints), 5);
}

void X11WindowSystem::SetIcon(Window window, const WindowSettings& settings) {
    std::size_t count = std::size_t(settings.iconWidth) * std::size_t(settings.iconHeight);
    if (count == 0 || settings.iconArgb.size() != count) return;
    // CARDINAL[]: width, height, then ARGB pixels; Xlib takes format-32 items as longs.
    std::vector<unsigned long> data{static_cast<unsigned long>(settings.iconWidth),
                                    static_cast<unsigned long>(settings.iconHeight)};
    data.insert(data.end(), settings.iconArgb.begin(), settings.iconArgb.end());
    XChangeProperty(display_.get(), window, atoms_.netWmIcon, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(data.data()), int(data.size()));
}

void X11WindowSystem::CreateWindow(const WindowSettings& settings) {
    window_ = CreateTopLevel(settings.bounds, kMainWindowEvents);
    Window window = window_.Get();
    bounds_ = settings.bounds;
    fixedSize_ = settings.borderless;
    cursor_ = CursorShape::Arrow;
    windowClass_ = settings.title;
    if (!windowClass_.empty() && windowClass_[0] >= 'a' && windowClass_[0] <= 'z')
        windowClass_[0] = char(windowClass_[0] - 'a' + 'A');
    DescribeToWindowManager(window, settings.title, fixedSize_, bounds_);
    if (settings.borderless) SetFrameHints(window, false);
    SetIcon(window, settings);
    long pid = getpid();
    XChangeProperty(display_.get(), window, atoms_.netWmPid, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&pid), 1);
}

void X11WindowSystem::ShowWindow(ShowCommand command, const Rect& bounds) {
    if (!window_) return;
    Display* display = display_.get();
    Window window = window_.Get();
    bounds_ = bounds;
    XSizeHints size = SizeHints(bounds, fixedSize_);
    XSetWMNormalHints(display, window, &size);
    XMoveResizeWindow(display, window, bounds.x, bounds.y, unsigned(bounds.w), unsigned(bounds.h));
    if (command == ShowCommand::Maximized) {
        // Set before mapping, so it is the state the window starts in.
        Atom states[] = {atoms_.netWmStateMaximizedVert, atoms_.netWmStateMaximizedHorz};
        XChangeProperty(display, window, atoms_.netWmState, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(states), 2);
    }
    XMapWindow(display, window);
    if (command == ShowCommand::Minimized) XIconifyWindow(display, window, screen_);
    XFlush(display);
}

Cursor X11WindowSystem::CursorFor(CursorShape shape) {
    bool hand = shape == CursorShape::HandPoint;
    OwnedCursor& cursor = cursors_[hand ? 1 : 0];
    // With libXcursor present, Xlib takes these from the cursor theme.
    if (!cursor)
        cursor = OwnedCursor(display_.get(),
                             XCreateFontCursor(display_.get(), hand ? XC_hand2 : XC_left_ptr));
    return cursor.Get();
}

void X11WindowSystem::SetCursor(CursorShape shape) {
    if (!window_ || shape == cursor_) return;
    cursor_ = shape;
    XDefineCursor(display_.get(), window_.Get(), CursorFor(shape));
}

void X11WindowSystem::Present(const TBitmap& frame, const Rect& area) {
    if (!window_) return;
    lastFrame_ = &frame;
    PutImage(window_.Get(), frame, area);
    // On its way before the next event is handled: a tick must not overtake a painted look.
    XFlush(display_.get());
}

unsigned X11WindowSystem::StartProgram(const std::string& commandLine, unsigned /*showCommand*/) {
    // X11 cannot tell another program how to show its windows; the show command has no meaning.
    return StartProcess(commandLine);
}

// ---- timers -------------------------------------------------------------------------------

// Each running timer is a POSIX timer that queues a signal when it falls due. The kernel keeps
// one queued signal ready for every timer, so the number of timers is bounded by the pending
// signals a process may have (ulimit -i): a real limit, and running out of it is what the
// caller reports as having no timer left.
int X11WindowSystem::StartTimer(unsigned intervalMs) {
    int id = nextTimer_;
    sigevent notify{};
    notify.sigev_notify = SIGEV_SIGNAL;
    notify.sigev_signo = TimerSignal();
    notify.sigev_value.sival_int = id;
    timer_t timer;
    if (timer_create(CLOCK_MONOTONIC, &notify, &timer) != 0) return 0;
    OwnedTimer owned(timer);
    intervalMs = intervalMs == 0 ? 1 : intervalMs;  // a zero time would disarm it
    timespec every{time_t(intervalMs / 1000), long(intervalMs % 1000) * 1000000};
    itimerspec repeating{every, every};
    if (timer_settime(timer, 0, &repeating, nullptr) != 0) return 0;
    timers_.emplace(id, std::move(owned));
    ++nextTimer_;
    return id;
}

void X11WindowSystem::StopTimer(int id) {
    timers_.erase(id);
    std::erase(dueTimers_, id);
}

// ---- events -------------------------------------------------------------------------------

bool X11WindowSystem::TakeSignal() {
    signalfd_siginfo info;
    bool endRequested = false;
    while (read(signals_.Get(), &info, sizeof info) == sizeof info) {
        if (int(info.ssi_signo) != TimerSignal()) {
            endRequested = true;
            continue;
        }
        // Ticks missed while busy become one, as they should; a stopped timer's late tick is
        // dropped.
        int id = info.ssi_int;
        if (timers_.count(id) &&
            std::find(dueTimers_.begin(), dueTimers_.end(), id) == dueTimers_.end())
            dueTimers_.push_back(id);
    }
    return endRequested;
}

bool X11WindowSystem::IsDeleteRequest(const XEvent& event) const {
    return event.type == ClientMessage && event.xclient.message_type == atoms_.wmProtocols &&
           Atom(event.xclient.data.l[0]) == atoms_.wmDeleteWindow;
}

void X11WindowSystem::Sleep(int timeoutMs) {
    pollfd fds[] = {{ConnectionNumber(display_.get()), POLLIN, 0}, {signals_.Get(), POLLIN, 0}};
    // Interrupted or not, the caller looks at every source again.
    poll(fds, 2, timeoutMs);
}

std::optional<WindowEvent> X11WindowSystem::Translate(const XEvent& event) {
    using Kind = WindowEvent::Kind;
    if (event.xany.window != window_.Get()) return std::nullopt;
    switch (event.type) {
        case kExposeType: {
            const XExposeEvent& e = event.xexpose;
            return AreaEvent(Kind::Expose, {e.x, e.y, e.width, e.height});
        }
        case ConfigureNotify: {
            const XConfigureEvent& e = event.xconfigure;
            if (e.width == bounds_.w && e.height == bounds_.h) return std::nullopt;
            bounds_.w = e.width;
            bounds_.h = e.height;
            return AreaEvent(Kind::Resize, {0, 0, e.width, e.height});
        }
        case MotionNotify:
            return PointerEvent(Kind::MouseMove, event.xmotion.x, event.xmotion.y);
        case EnterNotify:
        case LeaveNotify:
            // The pointer crossing the edge is a move too: the cursor under it may change.
            return PointerEvent(Kind::MouseMove, event.xcrossing.x, event.xcrossing.y);
        case ButtonPress:
        case ButtonRelease: {
            const XButtonEvent& e = event.xbutton;
            if (e.button >= 4 && e.button <= 7) return std::nullopt;  // the wheel, not a button
            return PointerEvent(event.type == ButtonPress ? Kind::ButtonDown : Kind::ButtonUp, e.x,
                                e.y, int(e.button));
        }
        case ClientMessage:
            if (IsDeleteRequest(event)) return Event(Kind::Close);
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

WindowEvent X11WindowSystem::WaitEvent(int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Display* display = display_.get();
    for (;;) {
        if (closePending_) {
            closePending_ = false;
            return Event(WindowEvent::Kind::Close);
        }
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (auto translated = Translate(event)) return *translated;
        }
        if (TakeSignal()) return Event(WindowEvent::Kind::Close);
        if (!dueTimers_.empty()) {
            WindowEvent tick = Event(WindowEvent::Kind::Timer);
            tick.timer = dueTimers_.front();
            dueTimers_.pop_front();
            return tick;
        }
        int left = -1;
        if (timeoutMs >= 0) {
            auto rest = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (rest.count() <= 0) return {};
            left = int(rest.count());
        }
        Sleep(left);
    }
}

}  // namespace x11
}  // namespace vcl
