#!/usr/bin/env bash
# Window managers and taskbars see the program's title, derived from its file name (cut at the
# first full stop, lower case after the first character), its class, process and icon.
source "$(dirname "$0")/lib.sh" "$@"

start_x 1024x768
launch
window=$(wait_window autorun)
expect_eq "$(property "$window" _NET_WM_NAME)" '"autorun"' "UTF-8 name"
expect_eq "$(property "$window" WM_NAME)" '"autorun"' "name"
expect_eq "$(property "$window" WM_CLASS)" '"autorun", "Autorun"' "class"
expect_eq "$(property "$window" _NET_WM_PID)" "$APP_PID" "process"
expect_eq "$(property "$window" WM_CLIENT_MACHINE)" "\"$(uname -n)\"" "machine"
expect_eq "$(icon_size "$window")" 32x32 "icon"
send_close "$window"
expect_exit 0 "exit code after a close request"

cp "$AUTORUN" "$WORK/Setup-Helper.bin"
launch "$WORK/Setup-Helper.bin"
window=$(wait_window Setup-helper)
expect_eq "$(property "$window" _NET_WM_NAME)" '"Setup-helper"' "name of the renamed copy"
expect_eq "$(property "$window" WM_CLASS)" '"Setup-helper", "Setup-helper"' "class of the renamed copy"
