/* Measures one start of a program from outside, as a user would see it: when its 639 x 481 window
   is fully painted with the start screen, what the process cost (CPU, peak memory, exit code), and
   optionally how fast a click on Install shows the pending look and starts the installer, or how
   often the waiting window wakes up.

   measure paint -- PROGRAM ARGS...
   measure click STARTED_FILE -- PROGRAM ARGS...   (the installer stand-in writes STARTED_FILE)
   measure idle SECONDS -- PROGRAM ARGS...

   Prints one CSV line: status,paint_ms,cover_ms,cpu_ms,maxrss_kb,pending_ms,start_ms,wakeups_s
   (empty where the mode does not measure it). status is "ok" or "fail:<why>". */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/extensions/Xfixes.h>
#include <dirent.h>
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdarg.h>
#include <stdbool.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/pidfd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "background.h"

/* After the window is fully covered, this long without damage means it has its look. */
enum { QUIET_MS = 100, PAINT_TIMEOUT_MS = 20000, EXIT_TIMEOUT_MS = 10000, CLICK_TIMEOUT_MS = 5000 };

/* Where Install is clicked, and what its pressed look covers, in window coordinates. */
static const XRectangle kClickAt = {190, 370, 0, 0};
static const XRectangle kPressedButton = {122, 345, 135, 57};

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6;
}

/* ---- which pixels of a rectangle damage has touched -------------------------------------- */

typedef struct {
    XRectangle bounds;
    unsigned char* bits;
    long covered;
} Coverage;

static void coverage_reset(Coverage* c, XRectangle bounds) {
    free(c->bits);
    c->bounds = bounds;
    c->bits = calloc((size_t)bounds.width * bounds.height, 1);
    c->covered = 0;
}

static bool coverage_full(const Coverage* c) {
    return c->bits && c->covered == (long)c->bounds.width * c->bounds.height;
}

static void coverage_add(Coverage* c, XRectangle r) {
    int x0 = r.x > c->bounds.x ? r.x : c->bounds.x;
    int y0 = r.y > c->bounds.y ? r.y : c->bounds.y;
    int x1 = r.x + r.width, y1 = r.y + r.height;
    int bx1 = c->bounds.x + c->bounds.width, by1 = c->bounds.y + c->bounds.height;
    if (x1 > bx1) x1 = bx1;
    if (y1 > by1) y1 = by1;
    for (int y = y0; y < y1; ++y) {
        unsigned char* row = c->bits + (size_t)(y - c->bounds.y) * c->bounds.width;
        for (int x = x0; x < x1; ++x) {
            c->covered += !row[x - c->bounds.x];
            row[x - c->bounds.x] = 1;
        }
    }
}

/* ---- the program's top-level windows, each watched by its own damage object -------------- */

typedef struct {
    Window id;
    Damage damage;
    int width, height;
    bool mapped;
    bool initial_report; /* the server's "damaged all over" for a window watched once shown */
    bool painted_since_watch;
    Coverage painted;
    double cover_ms, last_damage_ms; /* when fully covered first, when last damaged */
} Watched;

enum { MAX_WATCHED = 64 };
static Watched watched[MAX_WATCHED];
static int watched_count;
static Display* display;
static int damage_event_base;
static Coverage pending; /* the pressed button's rectangle in click mode */
static Window pending_window;
static double pending_ms;

/* A window may go away between its creation and our request about it; that is no failure. */
static int ignore_x_error(Display* d, XErrorEvent* e) {
    (void)d;
    (void)e;
    return 0;
}

static Watched* find_watched(Window id) {
    for (int i = 0; i < watched_count; ++i)
        if (watched[i].id == id) return &watched[i];
    return NULL;
}

static void watch(Window id, int width, int height) {
    if (watched_count == MAX_WATCHED || find_watched(id)) return;
    Watched* w = &watched[watched_count++];
    memset(w, 0, sizeof *w);
    w->id = id;
    w->width = width;
    w->height = height;
    w->damage = XDamageCreate(display, id, XDamageReportRawRectangles);
    /* A program that sends its window's creation and mapping at once has it mapped before the
       server reads our request; the server then reports the window damaged all over, at once.
       Asked after the damage object exists, so the answer tells which case this is. */
    XWindowAttributes attributes;
    w->initial_report =
        XGetWindowAttributes(display, id, &attributes) && attributes.map_state != IsUnmapped;
    coverage_reset(&w->painted, (XRectangle){0, 0, WINDOW_WIDTH, WINDOW_HEIGHT});
}

static void on_damage(const XDamageNotifyEvent* e, double at) {
    Watched* w = find_watched(e->drawable);
    if (!w) return;
    if (w->initial_report) {
        /* Not a paint of its own: it only says what may have been painted unseen. */
        w->initial_report = e->more;
    } else {
        w->painted_since_watch = true;
    }
    w->last_damage_ms = at;
    coverage_add(&w->painted, e->area);
    if (w->cover_ms == 0 && coverage_full(&w->painted)) w->cover_ms = at;
    if (w->id == pending_window && pending.bits && !coverage_full(&pending)) {
        coverage_add(&pending, e->area);
        if (coverage_full(&pending)) pending_ms = at;
    }
}

static double debug_origin; /* when set (MEASURE_DEBUG in the environment), events go to stderr */

static void handle_event(const XEvent* e, double at) {
    if (debug_origin > 0) {
        const XDamageNotifyEvent* d = (const XDamageNotifyEvent*)e;
        if (e->type == damage_event_base + XDamageNotify)
            fprintf(stderr, "%9.3f damage 0x%lx %d,%d %dx%d\n", at - debug_origin, d->drawable,
                    d->area.x, d->area.y, d->area.width, d->area.height);
        else
            /* The structure events all name their window in the same place. */
            fprintf(stderr, "%9.3f event %d 0x%lx\n", at - debug_origin, e->type, e->xmap.window);
    }
    if (e->type == CreateNotify) {
        watch(e->xcreatewindow.window, e->xcreatewindow.width, e->xcreatewindow.height);
    } else if (e->type == ConfigureNotify) {
        Watched* w = find_watched(e->xconfigure.window);
        if (w) w->width = e->xconfigure.width, w->height = e->xconfigure.height;
    } else if (e->type == MapNotify || e->type == UnmapNotify) {
        Watched* w = find_watched(e->xmap.window);
        if (w) w->mapped = e->type == MapNotify;
    } else if (e->type == damage_event_base + XDamageNotify) {
        on_damage((const XDamageNotifyEvent*)e, at);
    }
}

/* Handles whatever the server has sent; waits up to timeout_ms for the first of it. */
static void pump(int timeout_ms) {
    if (XPending(display) == 0) {
        struct pollfd fd = {ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, timeout_ms < 0 ? 0 : timeout_ms);
    }
    while (XPending(display)) {
        XEvent e;
        XNextEvent(display, &e);
        handle_event(&e, now_ms());
    }
}

/* Handles events for ms milliseconds, so what the last request caused has happened. */
static void pump_for(int ms) {
    double until = now_ms() + ms;
    for (double left = ms; left > 0; left = until - now_ms()) pump((int)left + 1);
}

/* A window that has the launcher's size, is on the screen and has been damaged all over. */
static Watched* covered_window(void) {
    for (int i = 0; i < watched_count; ++i) {
        Watched* w = &watched[i];
        if (w->mapped && w->width == WINDOW_WIDTH && w->height == WINDOW_HEIGHT &&
            coverage_full(&w->painted))
            return w;
    }
    return NULL;
}

/* ---- what the window shows ---------------------------------------------------------------- */

static XImage* grab(Window w, XRectangle r) {
    return XGetImage(display, w, r.x, r.y, r.width, r.height, AllPlanes, ZPixmap);
}

static bool close_to(unsigned long pixel, uint32_t rgb, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        int a = (int)(pixel >> shift & 0xff), b = (int)(rgb >> shift & 0xff);
        if (abs(a - b) > tolerance) return false;
    }
    return true;
}

/* The share of r's pixels that look like the start screen there (scaling may differ a little
   from ours, so "look like" is loose). */
static double share_like_background(Window w, XRectangle r, const uint32_t* reference) {
    XImage* image = grab(w, r);
    if (!image) return 0;
    long like = 0;
    for (int y = 0; y < r.height; ++y)
        for (int x = 0; x < r.width; ++x)
            like +=
                close_to(XGetPixel(image, x, y), reference[(r.y + y) * WINDOW_WIDTH + r.x + x], 48);
    XDestroyImage(image);
    return (double)like / ((double)r.width * r.height);
}

/* ---- the program under test ----------------------------------------------------------------- */

typedef struct {
    pid_t pid;
    int pidfd;
    double started_ms;
} Child;

/* The program runs at the priority we were given; we watch from a higher one (where allowed), so
   a busy machine does not make us late to watch its new window. */
static Child start(char** argv) {
    Child c = {0};
    errno = 0;
    int given = getpriority(PRIO_PROCESS, 0);
    if (errno == 0) setpriority(PRIO_PROCESS, 0, given - 10);
    c.started_ms = now_ms();
    c.pid = fork();
    if (c.pid == 0) {
        setpriority(PRIO_PROCESS, 0, given);
        dup2(STDERR_FILENO, STDOUT_FILENO); /* our stdout carries the result line only */
        close(ConnectionNumber(display));
        execvp(argv[0], argv);
        fprintf(stderr, "measure: cannot run %s: %s\n", argv[0], strerror(errno));
        _exit(127);
    }
    c.pidfd = c.pid > 0 ? pidfd_open(c.pid, 0) : -1;
    return c;
}

static void ask_to_close(Window w) {
    XEvent e = {0};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, w, False, NoEventMask, &e);
    XFlush(display);
}

/* Waits for the child's end (killing it after timeout_ms); false when it did not end by itself. */
static bool reap(const Child* c, int timeout_ms, int* status, struct rusage* usage) {
    struct pollfd fd = {c->pidfd, POLLIN, 0};
    bool ended = poll(&fd, 1, timeout_ms) == 1;
    if (!ended) kill(c->pid, SIGKILL);
    while (wait4(c->pid, status, 0, usage) < 0 && errno == EINTR) {
    }
    return ended;
}

/* Context switches of every thread: each one is a wake-up of a waiting thread or a preemption. */
static long context_switches(pid_t pid) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/task", (int)pid);
    DIR* tasks = opendir(path);
    if (!tasks) return -1;
    long total = 0;
    struct dirent* task;
    while ((task = readdir(tasks))) {
        if (task->d_name[0] == '.') continue;
        char file[400], line[256];
        snprintf(file, sizeof file, "%s/%s/status", path, task->d_name);
        FILE* status = fopen(file, "r");
        if (!status) continue;
        long n;
        while (fgets(line, sizeof line, status))
            if (sscanf(line, "voluntary_ctxt_switches: %ld", &n) == 1 ||
                sscanf(line, "nonvoluntary_ctxt_switches: %ld", &n) == 1)
                total += n;
        fclose(status);
    }
    closedir(tasks);
    return total;
}

/* ---- the three modes --------------------------------------------------------------------------
 */

typedef struct {
    char status[128];
    double paint_ms, cover_ms, pending_ms, start_ms, wakeups_s;
} Result;

static void fail(Result* r, const char* format, ...) {
    if (strcmp(r->status, "ok") != 0) return; /* the first reason is the one that counts */
    va_list args;
    va_start(args, format);
    strcpy(r->status, "fail:");
    vsnprintf(r->status + 5, sizeof r->status - 5, format, args);
    va_end(args);
}

/* Waits until the window is painted all over, has been quiet since and shows the start screen;
   returns it, or NULL when that does not happen in time. */
static Watched* wait_for_first_paint(const Child* c, const uint32_t* reference, Result* r) {
    double deadline = c->started_ms + PAINT_TIMEOUT_MS;
    double checked_at = 0;
    while (now_ms() < deadline) {
        Watched* w = covered_window();
        double quiet_for = w ? now_ms() - w->last_damage_ms : 0;
        if (w && quiet_for >= QUIET_MS && w->last_damage_ms != checked_at) {
            /* A fill by the server (a window background) also covers everything: only the
               picture counts. */
            checked_at = w->last_damage_ms;
            XRectangle all = {0, 0, WINDOW_WIDTH, WINDOW_HEIGHT};
            if (share_like_background(w->id, all, reference) >= 0.9) {
                if (!w->painted_since_watch) {
                    /* Everything was painted before the watch began: when is unknown. */
                    fail(r, "painted before it could be watched");
                    return NULL;
                }
                r->paint_ms = w->last_damage_ms - c->started_ms;
                r->cover_ms = w->cover_ms - c->started_ms;
                return w;
            }
        }
        struct pollfd fd = {c->pidfd, POLLIN, 0};
        if (poll(&fd, 1, 0) == 1) {
            fail(r, "ended before its window was painted");
            return NULL;
        }
        bool awaiting_quiet = w && w->last_damage_ms != checked_at;
        pump(awaiting_quiet ? QUIET_MS - (int)quiet_for + 1 : 50);
    }
    fail(r, "no fully painted start screen within %d ms", PAINT_TIMEOUT_MS);
    return NULL;
}

static void sleep_ms(int ms) {
    struct timespec t = {ms / 1000, (long)(ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

/* Reads the installer stand-in's start time (CLOCK_MONOTONIC nanoseconds) once it is written. */
static double wait_for_started(const char* file, double deadline) {
    while (now_ms() < deadline) {
        FILE* f = fopen(file, "r");
        long long ns;
        if (f) {
            int n = fscanf(f, "%lld", &ns);
            fclose(f);
            if (n == 1) return (double)ns / 1e6;
        }
        sleep_ms(1);
    }
    return 0;
}

/* Clicks Install like a user: move there, press, release; times from just before the release,
   which is what the launcher answers. */
static void click_install(Watched* w, const char* started_file, const uint32_t* reference,
                          Result* r) {
    int x, y;
    Window child;
    XTranslateCoordinates(display, w->id, DefaultRootWindow(display), kClickAt.x, kClickAt.y, &x,
                          &y, &child);
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XSync(display, False);
    pump_for(50);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XSync(display, False);
    pump_for(50);
    coverage_reset(&pending, kPressedButton);
    pending_window = w->id;
    pending_ms = 0;
    double clicked = now_ms();
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XFlush(display);
    if (debug_origin > 0) fprintf(stderr, "%9.3f released\n", clicked - debug_origin);
    while (pending_ms == 0 && now_ms() < clicked + CLICK_TIMEOUT_MS) pump(5);
    if (pending_ms == 0) {
        fail(r, "no pending look within %d ms", CLICK_TIMEOUT_MS);
        return;
    }
    r->pending_ms = pending_ms - clicked;
    double started = wait_for_started(started_file, clicked + CLICK_TIMEOUT_MS);
    if (started == 0) {
        fail(r, "installer not started within %d ms", CLICK_TIMEOUT_MS);
        return;
    }
    r->start_ms = started - clicked;
    /* The pressed button must be what appeared, not the start screen painted again. */
    if (share_like_background(w->id, kPressedButton, reference) > 0.9)
        fail(r, "the pressed button did not appear");
}

static void count_idle_wakeups(pid_t pid, int seconds, Result* r) {
    long before = context_switches(pid);
    double from = now_ms();
    sleep_ms(seconds * 1000);
    long after = context_switches(pid);
    if (before < 0 || after < 0) {
        fail(r, "cannot read /proc/%d", (int)pid);
        return;
    }
    r->wakeups_s = (double)(after - before) / ((now_ms() - from) / 1e3);
}

static void usage(void) {
    fprintf(stderr, "usage: measure paint|click STARTED_FILE|idle SECONDS -- PROGRAM ARGS...\n");
    exit(2);
}

static void print_field(double value, bool present) {
    if (present) printf("%.3f", value);
}

int main(int argc, char** argv) {
    if (argc < 4) usage();
    const char* mode = argv[1];
    bool click = strcmp(mode, "click") == 0, idle = strcmp(mode, "idle") == 0;
    int program = click || idle ? 3 : 2;
    if ((!click && !idle && strcmp(mode, "paint") != 0) || argc <= program + 1 ||
        strcmp(argv[program], "--") != 0)
        usage();
    ++program;

    uint32_t* reference = load_background();
    display = XOpenDisplay(NULL);
    int error_base, major = 1, minor = 1, event_base, ignored;
    if (!reference || !display ||
        !XDamageQueryExtension(display, &damage_event_base, &error_base) ||
        !XFixesQueryExtension(display, &event_base, &error_base) ||
        !XTestQueryExtension(display, &event_base, &ignored, &major, &minor)) {
        fprintf(stderr, "measure: needs an X display with DAMAGE, XFIXES and XTEST\n");
        return 2;
    }
    XFixesQueryVersion(display, &major, &minor);
    XDamageQueryVersion(display, &major, &minor);
    XSetErrorHandler(ignore_x_error);
    /* New top-levels are announced to whoever watches the root's substructure. */
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);
    if (click) unlink(argv[2]);

    Result r = {.status = "ok"};
    Child c = start(argv + program);
    if (getenv("MEASURE_DEBUG")) debug_origin = c.started_ms;
    if (c.pid < 0 || c.pidfd < 0) {
        printf("fail:cannot start,,,,,,,\n");
        return 1;
    }
    Watched* w = wait_for_first_paint(&c, reference, &r);
    if (w && click) click_install(w, argv[2], reference, &r);
    if (w && idle) count_idle_wakeups(c.pid, atoi(argv[2]), &r);
    if (w && !click) ask_to_close(w->id);

    int status = 0;
    struct rusage ru = {0};
    if (!reap(&c, w ? EXIT_TIMEOUT_MS : 0, &status, &ru)) fail(&r, "did not end when asked");
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail(&r, WIFEXITED(status) ? "exit code %d" : "killed by signal %d",
             WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status));
    double cpu_ms = (double)(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 +
                    (double)(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;

    printf("%s,", r.status);
    print_field(r.paint_ms, r.paint_ms > 0);
    printf(",");
    print_field(r.cover_ms, r.cover_ms > 0);
    printf(",%.3f,%ld,", cpu_ms, ru.ru_maxrss);
    print_field(r.pending_ms, r.pending_ms > 0);
    printf(",");
    print_field(r.start_ms, r.start_ms != 0);
    printf(",");
    print_field(r.wakeups_s, idle && strcmp(r.status, "ok") == 0);
    printf("\n");
    return strcmp(r.status, "ok") == 0 ? 0 : 1;
}
