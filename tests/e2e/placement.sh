#!/usr/bin/env bash
# On any screen the window keeps its 639 x 481 and is centred, the offsets halved and truncated
# toward zero when the screen is smaller than the window; it has no border of its own.
source "$(dirname "$0")/lib.sh" "$@"

while read -r screen expected; do
    start_x "$screen"
    launch
    window=$(wait_window autorun)
    expect_eq "$(geometry "$window")" "$expected" "window on a $screen screen"
    expect_eq "$(border_width "$window")" 0 "border on a $screen screen"
done <<'CASES'
1024x768  639x481+192+143
800x600   639x481+80+59
640x480   639x481+0+0
600x400   639x481-19-40
CASES
