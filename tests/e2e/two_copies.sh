#!/usr/bin/env bash
# Two copies started one after the other both show their windows, and each ends on its own.
source "$(dirname "$0")/lib.sh" "$@"

start_x 1024x768
make_medium
launch "$MEDIUM/autorun"
first=$APP_PID
wait_window autorun >/dev/null
launch "$MEDIUM/autorun"
second=$APP_PID
for _ in $(seq 100); do
  [[ $(xdotool search --onlyvisible --name '^autorun$' | wc -l) == 2 ]] && break
  sleep 0.1
done
windows=($(xdotool search --onlyvisible --name '^autorun$'))
expect_eq "${#windows[@]}" 2 "windows shown"
for w in "${windows[@]}"; do send_close "$w"; done
for pid in "$first" "$second"; do
  APP_PID=$pid
  expect_exit 0 "exit code of copy $pid"
done
expect_starts 0 "nothing started"
