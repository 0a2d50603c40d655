#!/usr/bin/env bash
# Builds in Release and prints the performance figures, one line each with its target.
# Exits non-zero when a target is missed.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DZARNIK_SANITIZED_TESTS=OFF >/dev/null
cmake --build build-release -j2 --target core_bench window_bench >/dev/null

status=0
echo "== Core (Google Benchmark; medians)"
./build-release/bench/core_bench --benchmark_min_time=0.2 || status=1
echo
echo "== Editor (offscreen; medians)"
./build-release/bench/window_bench || status=1
exit $status
