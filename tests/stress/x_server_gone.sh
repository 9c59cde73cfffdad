#!/usr/bin/env bash
# The X server goes away while the launcher waits (for a click, or with its message box up):
# the launcher ends within a few seconds with a non-zero exit code and one line on stderr. It
# ends by itself, not by a signal (so no crash and no core dump either).
source "$(dirname "$0")/../e2e/lib.sh" "$@"

for waiting in for_a_click with_its_box; do
  start_x 1024x768
  if [[ $waiting == for_a_click ]]; then
    launch
    wait_window autorun >/dev/null
  else
    launch_without_timers
    window=$(wait_window autorun)
    click "$window" 190 370
    wait_box "$window" >/dev/null
  fi
  kill -KILL "$XVFB_PID" && wait "$XVFB_PID" 2>/dev/null || true
  XVFB_PID=""
  for _ in $(seq 50); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$APP_PID" 2>/dev/null && fail "waiting $waiting: still running 5 seconds after the X server went"
  code=0
  wait "$APP_PID" || code=$?
  APP_PID=""
  ((code > 0 && code < 128)) || fail "waiting $waiting: exit code $code (128 and up: ended by a signal)"
  echo "ok: waiting $waiting: exit code $code"
  expect_eq "$(wc -l <"$WORK/app.err")" 1 "lines on stderr, waiting $waiting"
  echo "ok: it said: $(cat "$WORK/app.err")"
done
