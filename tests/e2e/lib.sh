# Sourced by the end-to-end scripts: a virtual X screen of a chosen size, a window manager when
# asked, the launcher started on it, and what a user looks at (place, size, names, a picture).
# Everything started here ends when the script does.
#   source "$(dirname "$0")/lib.sh" "$@"   # arguments: AUTORUN [XCLOSE [X11_PROBE]]
set -euo pipefail

AUTORUN=$(realpath "${1:?usage: $0 AUTORUN [XCLOSE [X11_PROBE]]}")
XCLOSE=${2:-}
PROBE=${3:-}
WORK=$(mktemp -d "${TMPDIR:-/tmp}/autorun-e2e.XXXXXX")
XVFB_PID=""
WM_PID=""
APP_PID=""

cleanup() {
    stop_x
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [[ -s $WORK/app.err ]] && sed 's/^/  launcher said: /' "$WORK/app.err" >&2
    exit 1
}

# expect_eq ACTUAL EXPECTED WHAT
expect_eq() {
    [[ $1 == "$2" ]] || fail "$3: expected '$2', got '$1'"
    echo "ok: $3: $1"
}

# start_x 1024x768 [DEPTH] — a fresh X server (any earlier one ends), on the first free
# display, 24 bits deep unless told.
start_x() {
    stop_x
    local ready=$WORK/displayfd number=""
    rm -f "$ready" && mkfifo "$ready"
    # -noreset: a launcher connecting just as the previous client left must find the server up.
    Xvfb -displayfd 3 -screen 0 "${1}x${2:-24}" -nolisten tcp -noreset 3>"$ready" 2>"$WORK/xvfb.log" &
    XVFB_PID=$!
    read -r -t 10 number <"$ready" || true
    [[ -n $number ]] || fail "Xvfb did not start: $(tail -n 3 "$WORK/xvfb.log")"
    export DISPLAY=:$number
}

# stop_x — the launcher, the window manager and the X server end, in that order.
stop_x() {
    for pid in "$APP_PID" "$WM_PID" "$XVFB_PID"; do
        if [[ -n $pid ]]; then
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
    APP_PID="" WM_PID="" XVFB_PID=""
}

# start_wm — openbox, once it manages windows: it runs its start-up command only then (a window
# mapped while it still starts up can be left unmanaged and unmapped).
start_wm() {
    openbox --sm-disable --startup "touch $WORK/wm-ready" >/dev/null 2>&1 &
    WM_PID=$!
    for _ in $(seq 100); do
        [[ -e $WORK/wm-ready ]] && return
        sleep 0.1
    done
    fail "openbox did not start"
}

# launch [PROGRAM [ARGUMENTS]] — the launcher (or another program) in the background; APP_PID
# is its process, $WORK/app.out what it says.
launch() {
    (($# > 0)) || set -- "$AUTORUN"
    "$@" >"$WORK/app.out" 2>"$WORK/app.err" &
    APP_PID=$!
}

# launch_without_timers [PROGRAM [ARGUMENTS]] — launch with no signal allowed to queue, so no
# timer can be made (each one needs a queued signal kept ready for it).
launch_without_timers() {
    (($# > 0)) || set -- "$AUTORUN"
    launch bash -c 'ulimit -i 0 && exec "$@"' bash "$@"
}

# wait_said LINE WHAT — the program has said that line on stdout, within 10 seconds.
wait_said() {
    for _ in $(seq 100); do
        grep -qx "$1" "$WORK/app.out" && { echo "ok: $2"; return; }
        sleep 0.1
    done
    fail "$2: the program did not say '$1'"
}

# wait_focus WIN — the keyboard goes to that window, within 10 seconds.
wait_focus() {
    for _ in $(seq 100); do
        [[ $(xdotool getwindowfocus 2>/dev/null) == "$1" ]] && return
        sleep 0.1
    done
    fail "window $1 did not get the keyboard"
}

# wait_window NAME — the id of the visible window of exactly that name, within 10 seconds.
wait_window() {
    local id
    id=$(timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1) ||
        fail "no window named '$1' appeared"
    echo "$id"
}

# expect_exit CODE WHAT — the launcher ends (within 10 seconds) with that exit code.
expect_exit() {
    for _ in $(seq 100); do
        kill -0 "$APP_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$APP_PID" 2>/dev/null && fail "$2: the launcher is still running"
    local code=0
    wait "$APP_PID" || code=$?
    APP_PID=""
    expect_eq "$code" "$1" "$2"
}

# geometry WIN — size and place on the screen as WxH+X+Y (X and Y may be negative: -19-40).
geometry() {
    xwininfo -id "$1" | awk '
        /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /Width:/ { w = $NF } /Height:/ { h = $NF }
        END { printf "%dx%d%+d%+d\n", w, h, x, y }'
}

border_width() {
    xwininfo -id "$1" | awk '/Border width/ { print $NF }'
}

# parent_of WIN — the window holding it: the root, or a window manager's frame.
parent_of() {
    xwininfo -tree -id "$1" | awk '/Parent window id/ { print $4 }'
}

# property WIN NAME — the value as xprop prints it, e.g. "autorun", "Autorun"
property() {
    xprop -id "$1" -notype "$2" | sed -e "s/^$2[: =]*//"
}

# icon_size WIN — WxH of the first picture in _NET_WM_ICON.
icon_size() {
    xprop -id "$1" -notype -f _NET_WM_ICON 32c ' $0x$1' _NET_WM_ICON | sed 's/^_NET_WM_ICON //'
}

# screenshot WIN FILE — what the window (or "root": the screen) shows, as PNG or PPM by FILE's
# extension.
screenshot() {
    import -window "$1" "$2"
}

# differing_pixels A B [AREA [AT]] — how many pixels of the two pictures differ; with AREA
# (WxH+X+Y) only that part of B, compared with the part of A at AT (+X+Y) further on: a window's
# area on a screenshot of the screen.
differing_pixels() {
    local a=$1 b=$2
    if (($# > 2)); then
        [[ $3 =~ ^([0-9]+x[0-9]+)([+-][0-9]+)([+-][0-9]+)$ ]] || fail "area '$3' is not WxH+X+Y"
        local size=${BASH_REMATCH[1]} x=${BASH_REMATCH[2]} y=${BASH_REMATCH[3]}
        [[ ${4:-+0+0} =~ ^([+-][0-9]+)([+-][0-9]+)$ ]] || fail "place '$4' is not +X+Y"
        convert "$a" -crop "$size$(printf '%+d%+d' $((x + BASH_REMATCH[1])) $((y + BASH_REMATCH[2])))" \
            +repage "$WORK/part-a.png"
        convert "$b" -crop "$3" +repage "$WORK/part-b.png"
        a=$WORK/part-a.png b=$WORK/part-b.png
    fi
    compare -metric AE "$a" "$b" null: 2>&1 || true
}

# click WIN X Y — the left button pressed and released there, in the window's coordinates.
click() {
    xdotool mousemove --window "$1" "$2" "$3" click 1
}

# send_close WIN — the close request a window manager's close button sends.
send_close() {
    [[ -x $XCLOSE ]] || fail "xclose is not given (second argument)"
    "$XCLOSE" "$1"
}

# make_medium — a copy of the launcher in $MEDIUM beside system/setup.exe, which adds the folder
# it was started in as a line to $MEDIUM/started each time it runs.
make_medium() {
    MEDIUM=$WORK/medium
    mkdir -p "$MEDIUM/system"
    cp "$AUTORUN" "$MEDIUM/autorun"
    printf '#!/bin/sh\npwd >>"%s/started"\n' "$MEDIUM" >"$MEDIUM/system/setup.exe"
    chmod +x "$MEDIUM/system/setup.exe"
}

# expect_starts COUNT WHAT — the medium's installer ran COUNT times. It runs on by itself after
# the launcher ends, so its marks may come a little later.
expect_starts() {
    local tries=5
    (($1 > 0)) && tries=50
    for _ in $(seq "$tries"); do
        (($1 > 0 && $(starts) >= $1)) && break
        sleep 0.1
    done
    sleep 0.2  # one more start would show by now
    expect_eq "$(starts)" "$1" "$2"
}

starts() {
    if [[ -f $MEDIUM/started ]]; then wc -l <"$MEDIUM/started"; else echo 0; fi
}

# wait_box WIN — the id of the message box over that window, once it has the keyboard.
wait_box() {
    local transient_for
    transient_for=$(printf 'window id # 0x%x' "$1")
    for _ in $(seq 100); do
        for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
            if [[ $(xprop -id "$id" WM_TRANSIENT_FOR 2>/dev/null) == *"$transient_for" ]]; then
                wait_focus "$id"
                echo "$id"
                return
            fi
        done
        sleep 0.1
    done
    fail "no message box over window $1"
}

# expect_box_text BOX TEXT — the box looks, pixel for pixel, like one x11_probe puts up with that
# text (the probe's box covers it for the comparison and then goes).
expect_box_text() {
    [[ -x $PROBE ]] || fail "x11_probe is not given (third argument)"
    screenshot "$1" "$WORK/box.png"
    "$PROBE" "$WORK/probe-frame.ppm" --box "$2" >/dev/null 2>&1 &
    local probe=$! probe_window probe_box differing=""
    probe_window=$(timeout 10 xdotool search --sync --all --onlyvisible --pid "$probe" --name '^probe$' |
        head -n 1) || fail "x11_probe showed no window"
    probe_box=$(wait_box "$probe_window")
    for _ in $(seq 20); do
        screenshot "$probe_box" "$WORK/probe-box.png"
        differing=$(differing_pixels "$WORK/box.png" "$WORK/probe-box.png")
        [[ $differing == 0 ]] && break
        sleep 0.1
    done
    kill "$probe" 2>/dev/null || true
    wait "$probe" || true
    expect_eq "$differing" 0 "pixels of the box that differ from one saying '$2'"
}

# expect_shows WIN PNG WHAT — the window shows that picture, pixel for pixel, within two
# seconds (the last repaints may still be on their way).
expect_shows() {
    local differing=""
    for _ in $(seq 20); do
        screenshot "$1" "$WORK/shown.png"
        differing=$(differing_pixels "$WORK/shown.png" "$2")
        [[ $differing == 0 ]] && break
        sleep 0.1
    done
    expect_eq "$differing" 0 "$3"
}

# wait_gone WIN — the window has been destroyed, within 10 seconds.
wait_gone() {
    for _ in $(seq 100); do
        xwininfo -id "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    fail "window $1 is still there"
}
