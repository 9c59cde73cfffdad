#!/usr/bin/env bash
# Benchmarks the launcher against a floor (bare Xlib + libjpeg) and two peers (Tk + Pillow, SDL2)
# on a private Xvfb without a window manager, and prints one table. Raw samples go to
# build/bench/samples.csv.
#
# Usage: bench/run.sh [RUNS]     RUNS starts of each program, interleaved (default 15)
#   BENCH_IDLE_SECONDS  how long the waiting window is watched for wake-ups (default 5)
#   BENCH_BUILD         build folder (default build/bench)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}
idle_seconds=${BENCH_IDLE_SECONDS:-5}
out=${BENCH_BUILD:-build/bench}
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "usage: bench/run.sh [RUNS]" >&2; exit 2; }

scripts/deps.sh build bench

# The launcher as shipped: Release, no tests.
echo "== building autorun in $out" >&2
cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Release -DAUTORUN_TESTS=OFF >/dev/null
have_autorun=1
if ! cmake --build "$out" -j2 --target autorun >"$out/autorun-build.log" 2>&1; then
  echo "bench: autorun does not build (see $out/autorun-build.log); measuring the others only" >&2
  have_autorun=0
fi

# The benchmark's own programs: plain C, built as plainly.
echo "== building the benchmark programs" >&2
bin=$out/programs
mkdir -p "$bin"
cc=(cc -O2 -Wall -Wextra -Wpedantic -Werror -Ibench -DBACKGROUND_JPG="\"$PWD/resources/background.jpg\"")
"${cc[@]}" bench/measure.c bench/background.c -lXtst -lXdamage -lXfixes -lX11 -ljpeg -o "$bin/measure"
"${cc[@]}" bench/floor.c bench/background.c -lX11 -ljpeg -o "$bin/floor"
"${cc[@]}" $(pkg-config --cflags sdl2) bench/peer_sdl2.c bench/background.c \
  $(pkg-config --libs sdl2) -ljpeg -o "$bin/peer_sdl2"
"${cc[@]}" bench/setup_standin.c -o "$bin/setup_standin"

# A private X server; -displayfd names a free display once it is ready.
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do
  [[ -s $work/display ]] && break
  kill -0 "$xvfb" 2>/dev/null || { cat "$work/xvfb.log" >&2; exit 1; }
  sleep 0.05
done
[[ -s $work/display ]] || { echo "bench: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(cat "$work/display")

# The medium for the click: the launcher beside system/setup.exe, a stand-in that notes when it
# starts.
medium=$work/medium
mkdir -p "$medium/system"
cp "$bin/setup_standin" "$medium/system/setup.exe"
[[ $have_autorun == 1 ]] && cp "$out/autorun" "$medium/autorun"

declare -A command=(
  [autorun]="$out/autorun"
  [floor]="$bin/floor"
  [tk]="/usr/bin/python3 bench/peer_tk.py resources/background.jpg"
  [sdl2]="$bin/peer_sdl2"
)
programs=(floor tk sdl2)
[[ $have_autorun == 1 ]] && programs=(autorun "${programs[@]}")

samples=$out/samples.csv
echo "program,mode,run,status,paint_ms,cover_ms,cpu_ms,maxrss_kb,pending_ms,start_ms,wakeups_s" >"$samples"
measure() {  # program mode run [mode arguments]
  local program=$1 mode=$2 run=$3 result
  shift 3
  local run_it=${command[$program]}
  [[ $mode == click ]] && run_it=$medium/autorun  # the copy that has the installer beside it
  # shellcheck disable=SC2086  # the command is words on purpose
  result=$("$bin/measure" "$mode" "$@" -- $run_it) || true
  echo "$program,$mode,$run,${result:-fail:no result,,,,,,,}" >>"$samples"
  [[ $result == ok* ]] || echo "bench: $program $mode run $run: ${result%%,*}" >&2
}

echo "== $runs runs of ${programs[*]}, interleaved, on display $DISPLAY" >&2
for run in $(seq "$runs"); do
  for program in "${programs[@]}"; do measure "$program" paint "$run"; done
  [[ $have_autorun == 1 ]] && measure autorun click "$run" "$medium/system/started"
done

echo "== watching the waiting windows for ${idle_seconds} s each" >&2
for program in "${programs[@]}"; do
  [[ $program == autorun || $program == floor ]] && measure "$program" idle 1 "$idle_seconds"
done

stripped() {  # size in bytes of a stripped copy
  strip -o "$work/stripped" "$1" && stat -c %s "$work/stripped"
}
sizes=(--size "floor=$(stripped "$bin/floor")")
[[ $have_autorun == 1 ]] && sizes+=(--size "autorun=$(stripped "$out/autorun")")

note="$runs runs each, interleaved; Xvfb 1024x768x24, no window manager; $(nproc) cores,"
note+=" load average $(cut -d' ' -f1-3 /proc/loadavg) at the end; $(date -u +%Y-%m-%dT%H:%MZ)"
/usr/bin/python3 bench/report.py "$samples" "${sizes[@]}" --note "$note"
