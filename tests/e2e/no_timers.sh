#!/usr/bin/env bash
# With no timer to be had (no queued signal allowed, so no timer can be made), Install reports
# "Not enough timers available." in a box captioned "autorun" over the pending look; nothing
# starts, and only Exit, a close request or SIGTERM ends the launcher, with exit code 0.
source "$(dirname "$0")/lib.sh" "$@"

render_form=$(dirname "$AUTORUN")/render_form
"$render_form" --pending "$WORK/pending.png"
start_x 1024x768
make_medium

for ending in exit close sigterm; do
  rm -f "$MEDIUM/started"
  launch_without_timers "$MEDIUM/autorun"
  window=$(wait_window autorun)
  click "$window" 190 370
  box=$(wait_box "$window")
  expect_eq "$(property "$box" WM_NAME)" '"autorun"' "the box's caption"
  screenshot root "$WORK/screen.png"
  # The pressed button and the notice, where the box does not cover them, as rendered.
  at=$(geometry "$window" | sed 's/^[0-9]*x[0-9]*//')
  for area in 135x57+122+345 138x13+248+440; do
    expect_eq "$(differing_pixels "$WORK/screen.png" "$WORK/pending.png" "$area" "$at")" 0 \
      "pending look in $area"
  done
  expect_box_text "$box" "Not enough timers available."
  xdotool key --window "$box" Return
  wait_gone "$box"
  case $ending in
    exit) click "$window" 440 370 ;;
    close) send_close "$window" ;;
    sigterm) kill -TERM "$APP_PID" ;;
  esac
  expect_exit 0 "exit code after $ending"
  expect_starts 0 "nothing started ($ending)"
done
