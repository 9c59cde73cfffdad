#!/usr/bin/env bash
# A storm of clicks over Install, its top row and the gap beside it, while the launcher waits
# after Install: nothing more happens. Without timers it waits for good: 1000 clicks start
# nothing, leave the pending look as it was, and Exit still ends it with exit code 0. With
# timers, a click on Install and 300 more at once start the installer exactly once.
source "$(dirname "$0")/../e2e/lib.sh" "$@"

# storm WIN COUNT — one xdotool run of COUNT clicks in turn on Install, the gap and Install's
# top row, at screen positions (the window may be gone before the storm ends). Press and release
# instead of xdotool's click, which waits a tenth of a second after each.
storm() {
  local at spots=(190,370 320,370 200,344) commands=()
  at=$(geometry "$1" | sed 's/^[0-9]*x[0-9]*//')
  [[ $at =~ ^\+([0-9]+)\+([0-9]+)$ ]] || fail "window $1 is not on the screen: $at"
  for ((i = 0; i < $2; i++)); do
    IFS=, read -r x y <<<"${spots[i % 3]}"
    commands+=(mousemove $((BASH_REMATCH[1] + x)) $((BASH_REMATCH[2] + y)) mousedown 1 mouseup 1)
  done
  xdotool "${commands[@]}"
}

render_form=$(dirname "$AUTORUN")/render_form
"$render_form" --pending "$WORK/pending.png"
start_x 1024x768
make_medium

launch_without_timers "$MEDIUM/autorun"
window=$(wait_window autorun)
click "$window" 190 370
box=$(wait_box "$window")
xdotool key --window "$box" Return
wait_gone "$box"
storm "$window" 1000
expect_starts 0 "nothing started after 1000 clicks without timers"
kill -0 "$APP_PID" 2>/dev/null || fail "the launcher ended during the storm"
screenshot "$window" "$WORK/shown.png"
expect_eq "$(differing_pixels "$WORK/shown.png" "$WORK/pending.png")" 0 "pixels that differ from the pending look"
click "$window" 440 370
expect_exit 0 "exit code after Exit"
[[ ! -s $WORK/app.err ]] || fail "the launcher said something on stderr"

launch "$MEDIUM/autorun"
window=$(wait_window autorun)
storm "$window" 301
expect_exit 0 "exit code after Install and a storm of clicks"
expect_starts 1 "installer started once"
