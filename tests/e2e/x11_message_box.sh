#!/usr/bin/env bash
# The message box goes on Enter, Escape or Space (pressed and released there), a click on OK or a
# close request on it. While it is up the main window takes no input but keeps its picture, and
# an end request takes the box away and then ends the program.
source "$(dirname "$0")/lib.sh" "$@"

show_box() {
    launch "$PROBE" "$WORK/frame.ppm" --box "Not enough timers available."
    main=$(wait_window probe)
    box=$(wait_box "$main")
}

# OK is 75 x 23, centred, 12 pixels above the box's bottom edge.
click_ok() {
    read -r w h < <(xwininfo -id "$1" | awk '/Width:/ { w = $NF } /Height:/ { h = $NF } END { print w, h }')
    xdotool mousemove --window "$1" $((w / 2)) $((h - 12 - 11)) click 1
}

start_x 1024x768
while read -r how; do
    show_box
    case $how in
        click-OK) click_ok "$box" ;;
        close-request) send_close "$box" ;;
        sent-*) xdotool key --window "$box" "${how#sent-}" ;;
        *) xdotool key "$how" ;;
    esac
    wait_said dismissed "box dismissed by $how"
    send_close "$main"
    expect_exit 0 "exit code after the box went by $how"
done <<'CASES'
Return
KP_Enter
Escape
space
sent-Return
click-OK
close-request
CASES

show_box
xdotool mousemove --window "$main" 20 20 click 1
xdotool mousemove --window "$box" 3 3 click 1
xdotool key a
xdotool keyup --window "$box" Return  # its press went elsewhere, before the box
xdotool windowunmap --sync "$main" windowmap --sync "$main"
sleep 0.5
! grep -qx -e input -e dismissed "$WORK/app.out" || fail "the box took a stray click or key, or the main window took input"
screenshot "$main" "$WORK/main.png"
differing=$(differing_pixels "$WORK/frame.ppm" "$WORK/main.png")
((differing <= $(xwininfo -id "$box" | awk '/Width:/ { w = $NF } /Height:/ { h = $NF } END { print w * h }'))) ||
    fail "the main window lost its picture under the box: $differing pixels differ"
echo "ok: the main window kept its picture ($differing pixels under the box differ)"
kill -s TERM "$APP_PID"
wait_said dismissed "box dismissed by SIGTERM"
wait_said close "close after SIGTERM"
expect_exit 0 "exit code after SIGTERM with the box up"
