#!/usr/bin/env bash
# Fuzzes each parser for SECONDS with libFuzzer under AddressSanitizer and UndefinedBehaviorSanitizer,
# starting from the kept seeds, the real resources and past crashes. An input that crashes, leaks,
# hangs or exhausts memory is copied to fuzz/regressions/<target>/, where ctest replays it from
# then on, and the run fails.
# Usage: fuzz/run.sh SECONDS [TARGET...]   targets: definition jpeg icon command_line (default: all)
# AUTORUN_FUZZ_BUILD_DIR chooses the build folder (default build/fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."

all=(definition jpeg icon command_line)
# The longest input each target is given: a definition far beyond the launcher's, a picture a
# few times the background's size, a whole icon file, a long command line.
declare -A max_len=([definition]=65536 [jpeg]=262144 [icon]=65536 [command_line]=4096)

usage() {
    echo "usage: fuzz/run.sh SECONDS [TARGET...]  (targets: ${all[*]})" >&2
    exit 2
}
[[ $# -ge 1 && $1 =~ ^[1-9][0-9]*$ ]] || usage
seconds=$1
shift
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=("${all[@]}")
for target in "${targets[@]}"; do
    [[ -n ${max_len[$target]:-} ]] || usage
done

scripts/deps.sh build fuzz
build=${AUTORUN_FUZZ_BUILD_DIR:-build/fuzz}
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DAUTORUN_FUZZ=ON -DAUTORUN_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

if symbolizer=$(command -v llvm-symbolizer-14); then export ASAN_SYMBOLIZER_PATH=$symbolizer; fi
export UBSAN_OPTIONS=print_stacktrace=1

failed=()
for target in "${targets[@]}"; do
    work=$build/corpus-work/$target
    artifacts=$build/artifacts/$target
    log=$build/logs/$target.log
    rm -rf "$artifacts"
    mkdir -p "$work" "$artifacts" "$build/logs"
    # The working copy keeps what earlier runs found; the seeds are only ever added to it.
    for seed in fuzz/corpus/"$target"/*; do
        [[ -e $work/$(basename "$seed") ]] || cp "$seed" "$work"/
    done
    dict=()
    [[ -f fuzz/$target.dict ]] && dict=(-dict="fuzz/$target.dict")

    echo "== fuzz_$target for ${seconds} s (log: $log)"
    status=0
    "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len="${max_len[$target]}" \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/" \
        "${dict[@]}" "$work" "fuzz/regressions/$target" resources >"$log" 2>&1 || status=$?
    grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)' "$log" | sed 's/^/   /' || true
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" |
        sed 's/^/   /' || true
    [[ $status -eq 0 ]] && continue

    saved=()
    for artifact in "$artifacts"/*; do
        [[ -f $artifact ]] || continue
        cp "$artifact" "fuzz/regressions/$target/"
        saved+=("fuzz/regressions/$target/$(basename "$artifact")")
    done
    # The report from its first line (sanitizer, libFuzzer or a stray exception), else the end.
    if grep -qE 'ERROR|runtime error|terminate called' "$log"; then
        sed -nE '/ERROR|runtime error|terminate called/,$p' "$log" | head -n 60
    else
        tail -n 40 "$log"
    fi
    echo "FUZZ FAILURE: fuzz_$target exited with $status; input saved as ${saved[*]:-(none written)};" \
        "replay it with: $build/fuzz/fuzz_$target <input>"
    failed+=("$target")
done

if [[ ${#failed[@]} -gt 0 ]]; then
    echo "fuzz/run.sh: FAILED: ${failed[*]}"
    exit 1
fi
echo "fuzz/run.sh: ${targets[*]}: ${seconds} s each, no finding"
