#!/usr/bin/env bash
# Exit ends the launcher with exit code 0 and starts nothing.
source "$(dirname "$0")/lib.sh" "$@"

start_x 1024x768
make_medium
launch "$MEDIUM/autorun"
window=$(wait_window autorun)
click "$window" 440 370
expect_exit 0 "exit code after Exit"
expect_starts 0 "nothing started"
