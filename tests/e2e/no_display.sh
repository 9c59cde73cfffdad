#!/usr/bin/env bash
# Without an X server the launcher says so in one line on stderr, naming the display it tried,
# and exits with a non-zero code.
source "$(dirname "$0")/lib.sh" "$@"

free=99
while [[ -e /tmp/.X11-unix/X$free || -e /tmp/.X$free-lock ]]; do free=$((free + 1)); done

while read -r display says; do
    code=0
    if [[ $display == unset ]]; then
        env -u DISPLAY "$AUTORUN" >"$WORK/out" 2>"$WORK/err" || code=$?
    else
        DISPLAY=$display "$AUTORUN" >"$WORK/out" 2>"$WORK/err" || code=$?
    fi
    ((code != 0)) || fail "exit code 0 with DISPLAY $display"
    expect_eq "$(wc -l <"$WORK/err")" 1 "lines on stderr with DISPLAY $display"
    grep -qF "$says" "$WORK/err" || fail "'$(cat "$WORK/err")' does not say $says"
    echo "ok: $(cat "$WORK/err")"
done <<CASES
:$free  ":$free"
unset   DISPLAY is not set
CASES
