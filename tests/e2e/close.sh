#!/usr/bin/env bash
# A close request from the window system (a window manager's close button) ends the launcher
# with exit code 0 and starts nothing.
source "$(dirname "$0")/lib.sh" "$@"

start_x 1024x768
make_medium
launch "$MEDIUM/autorun"
window=$(wait_window autorun)
send_close "$window"
expect_exit 0 "exit code after a close request"
expect_starts 0 "nothing started"
