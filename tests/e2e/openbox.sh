#!/usr/bin/env bash
# Under a window manager the window still has no frame, stays centred and shows its picture.
source "$(dirname "$0")/lib.sh" "$@"

start_x 1024x768
start_wm
launch
window=$(wait_window autorun)
expect_eq "$(property "$window" _NET_FRAME_EXTENTS)" "0, 0, 0, 0" "frame extents"
expect_eq "$(geometry "$(parent_of "$window")")" "$(geometry "$window")" "frame around the window"
expect_eq "$(geometry "$window")" 639x481+192+143 "window"

screenshot "$window" "$WORK/window.png"
expect_eq "$(identify -format %wx%h "$WORK/window.png")" 639x481 "screenshot size"
colours=$(identify -format %k "$WORK/window.png")
((colours > 1000)) || fail "the window shows $colours colours, not the start screen"
echo "ok: the window shows $colours colours"
