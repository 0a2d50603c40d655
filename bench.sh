#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds in Release and prints the performance figures: each benchmark's own output, then
# the table the README shows, one row per figure with its target. Exits non-zero when a
# target is missed.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DZARNIK_SANITIZED_TESTS=OFF >/dev/null
cmake --build build-release -j2 --target core_bench window_bench >/dev/null

status=0
log=$(mktemp)
trap 'rm -f "$log"' EXIT
echo "== Core (Google Benchmark)"
./build-release/bench/core_bench --benchmark_min_time=0.2 | tee -a "$log" || status=1
echo
echo "== Editor (offscreen)"
./build-release/bench/window_bench | tee -a "$log" || status=1
echo
echo "== Table"
echo "| figure | measured | target |"
echo "|---|---|---|"
grep '^| ' "$log" || true
exit $status
