#!/usr/bin/env bash
# The launcher under valgrind's memcheck, on the Exit path and on the Install path: exit code 0,
# no memory errors and no definite leaks. Skipped for a sanitizer build, which valgrind cannot run.
source "$(dirname "$0")/../e2e/lib.sh" "$@"

if [[ $(nm -D "$AUTORUN") == *__asan_init* ]]; then
  echo "skipped: sanitizer build"
  exit 0
fi
command -v valgrind >/dev/null || fail "valgrind is not installed (scripts/deps.sh test)"

# run_checked CLICK-X WHAT — the medium's launcher under memcheck, clicked once it shows.
run_checked() {
  launch valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
    --errors-for-leak-kinds=definite --show-leak-kinds=definite --log-file="$WORK/memcheck.log" \
    "$MEDIUM/autorun"
  window=$(timeout 60 xdotool search --sync --onlyvisible --name '^autorun$' | head -n 1) ||
    fail "$2: no window within a minute under valgrind"
  click "$window" "$1" 370
  for _ in $(seq 600); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$APP_PID" 2>/dev/null && fail "$2: still running a minute after the click"
  local code=0
  wait "$APP_PID" || code=$?
  APP_PID=""
  ((code == 0)) || cat "$WORK/memcheck.log" >&2
  expect_eq "$code" 0 "$2: exit code under memcheck (99: memory errors)"
  grep -hE "ERROR SUMMARY|definitely lost|in use at exit" "$WORK/memcheck.log"
}

start_x 1024x768
make_medium
run_checked 440 "Exit"
expect_starts 0 "nothing started after Exit"
run_checked 190 "Install"
expect_starts 1 "installer started once after Install"
