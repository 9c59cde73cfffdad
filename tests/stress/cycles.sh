#!/usr/bin/env bash
# Many start-and-Exit sessions in a row on one X server: each one shows the window, ends with
# exit code 0 on Exit, and none of them starts the installer. STRESS_CYCLES sets how many (200).
source "$(dirname "$0")/../e2e/lib.sh" "$@"

# This session's window (by its process: an earlier session's may not be gone yet), polled
# finer than wait_window so that the sessions follow each other quickly.
session_window() {
  for _ in $(seq 1000); do
    xdotool search --all --onlyvisible --pid "$APP_PID" --name '^autorun$' 2>/dev/null && return
    sleep 0.01
  done
  fail "session $1 showed no window"
}

cycles=${STRESS_CYCLES:-200}
start_x 1024x768
make_medium
for ((i = 1; i <= cycles; i++)); do
  launch "$MEDIUM/autorun"
  window=$(session_window "$i")
  # Exit, pressed and released (xdotool's click would wait a tenth of a second more).
  xdotool mousemove --window "$window" 440 370 mousedown 1 mouseup 1
  for _ in $(seq 500); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.01; done
  expect_exit 0 "exit code after Exit, session $i" >/dev/null
  [[ ! -s $WORK/app.err ]] || fail "session $i said something on stderr"
done
echo "ok: $cycles sessions ended with exit code 0"
expect_starts 0 "nothing started"
