#!/usr/bin/env bash
# A storm of expose events: a window is put over the launcher and taken away 500 times, each
# time over another part of it. Afterwards the window shows, pixel for pixel, what the off-screen
# render shows, and Exit still ends it with exit code 0.
source "$(dirname "$0")/../e2e/lib.sh" "$@"

coverer=$(dirname "$XCLOSE")/coverer
render_form=$(dirname "$AUTORUN")/render_form
"$render_form" "$WORK/expected.png"
start_x 1024x768
launch
window=$(wait_window autorun)
[[ $(geometry "$window") =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || fail "window $window is not on the screen"
"$coverer" "${BASH_REMATCH[3]}" "${BASH_REMATCH[4]}" "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}" 500
expect_shows "$window" "$WORK/expected.png" "pixels that differ from the render after the storm"
click "$window" 440 370
expect_exit 0 "exit code after Exit"
[[ ! -s $WORK/app.err ]] || fail "the launcher said something on stderr"
