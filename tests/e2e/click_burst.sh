#!/usr/bin/env bash
# A burst of clicks on Install, as an impatient user makes: the installer starts once.
source "$(dirname "$0")/lib.sh" "$@"

start_x 1024x768
make_medium
launch "$MEDIUM/autorun"
window=$(wait_window autorun)
xdotool mousemove --window "$window" 190 370 click --repeat 8 --delay 2 1
expect_exit 0 "exit code after a burst of clicks"
expect_starts 1 "installer started once"
