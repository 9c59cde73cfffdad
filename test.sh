#!/usr/bin/env bash
# Builds the launcher twice (as shipped, and with AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs every test against each build, end-to-end tests under Xvfb included.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh build test
for variant in release asan; do
  flags=(-DCMAKE_BUILD_TYPE=Release)
  [[ $variant == asan ]] && flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DAUTORUN_SANITIZE=ON)
  echo "== $variant build"
  cmake -S . -B "build/$variant" "${flags[@]}" >/dev/null
  cmake --build "build/$variant" -j2
  echo "== $variant tests"
  (cd "build/$variant" && ctest --output-on-failure -j2 --timeout 300)
done
