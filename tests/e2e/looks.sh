#!/usr/bin/env bash
# What the window shows on a real X server is, pixel for pixel, what the off-screen render of
# the same build shows.
source "$(dirname "$0")/lib.sh" "$@"

render_form=$(dirname "$AUTORUN")/render_form
"$render_form" "$WORK/expected.png"
start_x 1024x768
launch
window=$(wait_window autorun)
sleep 0.3  # the first paint follows the map
screenshot "$window" "$WORK/shown.png"
expect_eq "$(differing_pixels "$WORK/shown.png" "$WORK/expected.png")" 0 "pixels that differ from the render"
