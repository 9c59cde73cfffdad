#!/usr/bin/env bash
# Install, with the launcher started from some other folder: the medium's installer starts
# exactly once, found beside the launcher, and the launcher ends with exit code 0.
source "$(dirname "$0")/lib.sh" "$@"

start_x 1024x768
make_medium
mkdir "$WORK/elsewhere" && cd "$WORK/elsewhere"
launch "$MEDIUM/autorun"
window=$(wait_window autorun)
click "$window" 190 370
expect_exit 0 "exit code after Install"
expect_starts 1 "installer started once"
expect_eq "$(head -n 1 "$MEDIUM/started")" "$WORK/elsewhere" "the installer's working directory"
