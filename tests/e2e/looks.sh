#!/usr/bin/env bash
# What the window shows on a real X server is, pixel for pixel, what the off-screen render of
# the same build shows.
source "$(dirname "$0")/lib.sh" "$@"

render_form=$(dirname "$AUTORUN")/render_form
"$render_form" "$WORK/expected.png"
start_x 1024x768
launch
window=$(wait_window autorun)
expect_shows "$window" "$WORK/expected.png" "pixels that differ from the render"
