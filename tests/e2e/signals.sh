#!/usr/bin/env bash
# Asked to end by a signal (a logout, kill, Ctrl+C), the launcher closes its window through its
# own loop and exits with code 0.
source "$(dirname "$0")/lib.sh" "$@"

start_x 1024x768
for signal in TERM INT HUP; do
    launch
    wait_window autorun >/dev/null
    kill -s "$signal" "$APP_PID"
    expect_exit 0 "exit code after SIG$signal"
done
