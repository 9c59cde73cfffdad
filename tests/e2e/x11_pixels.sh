#!/usr/bin/env bash
# A presented bitmap reaches the screen unchanged on a 24-bit screen, and within the bits a
# 16-bit (5-6-5) screen drops, through the path that follows the visual's masks.
source "$(dirname "$0")/lib.sh" "$@"

while read -r depth fuzz; do
    start_x 1024x768 "$depth"
    launch "$PROBE" "$WORK/frame.ppm"
    window=$(wait_window probe)
    wait_said painted "painted at depth $depth"
    screenshot "$window" "$WORK/screen.png"
    differing=$(compare -metric AE -fuzz "$fuzz" "$WORK/frame.ppm" "$WORK/screen.png" null: 2>&1) || true
    expect_eq "$differing" 0 "pixels off by more than $fuzz at depth $depth"
done <<'CASES'
24  0%
16  3%
CASES
