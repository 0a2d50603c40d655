#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds everything and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
started=$(date +%s)
elapsed() { echo "$(( $(date +%s) - started )) s"; }

./scripts/install-deps.sh
echo "== Packages in place after $(elapsed)"

# The libFuzzer programs need clang; CTest runs them for a bounded time with the rest.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DZARNIK_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j2

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARNIK_FUZZ_BUILD_DIR="$root/build-fuzz" >/dev/null
cmake --build build -j2
echo "== Built after $(elapsed); now the tests"
cd build
ctest --output-on-failure -j2

# The Debian package, installed with apt-get and run from /usr/bin (needs root, as in CI).
cd "$root"
./scripts/check-package.sh build

# The editor and zarnik-cli cross-built for Windows and tested under Wine: the core's,
# the CLI's and the window tests, the editor in a real window, the release zip, and the
# same results as the Linux build. The first run on a machine builds Qt and libgettextpo
# for Windows into a cache (scripts/windows-deps.sh; see README), later runs reuse it.
windows_started=$(date +%s)
./scripts/build-windows.sh --linux-build build
echo "== Windows build and tests under Wine: $(( $(date +%s) - windows_started )) s; all done after $(elapsed)"
