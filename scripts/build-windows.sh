#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds Zarnik for 64-bit Windows and tests it under Wine: the document core, the
# settings files and zarnik-cli.exe (statically linked) with their GoogleTest suites, and
# the editor zarnik.exe with its window tests (Qt Test, offscreen platform). Leaves the
# release zip in the build folder: zarnik-VERSION-windows-x64.zip (both programs with the Qt and
# MinGW DLLs they load), or with --cli-only zarnik-cli-VERSION-windows-x64.zip.
#
#   scripts/build-windows.sh [--linux-build DIR | --linux-cli PATH] [--no-tests] [--cli-only]
#
# The editor and zarnik-cli's translation commands need Qt and libgettextpo built for
# Windows: scripts/windows-deps.sh builds them once per machine into its cache (35 to 40
# minutes the first time on an idle 2-core machine); --cli-only leaves both out and builds
# zarnik-cli without PO files.
# --linux-build names a Linux build folder (e.g. build): the tests then include running
# every zarnik-cli command on the corpus with both builds and comparing the results byte
# for byte, and the editor in a real window under Wine on Xvfb, its saved file compared
# with the Linux editor's after the same keys. --linux-cli names the Linux zarnik-cli alone.
# Needs g++-mingw-w64-x86-64-posix, googletest, wine64 and xdotool (scripts/install-deps.sh).
# The build folder is build-windows, or $ZARNIK_WINDOWS_BUILD.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${ZARNIK_WINDOWS_BUILD:-$root/build-windows}

linux_cli="" linux_build="" run_tests=1 editor=1
while [ $# -gt 0 ]; do
  case "$1" in
    --linux-cli) linux_cli=$(realpath "$2"); shift 2 ;;
    --linux-build) linux_build=$(realpath "$2"); linux_cli=$linux_build/cli/zarnik-cli; shift 2 ;;
    --no-tests) run_tests=0; shift ;;
    --cli-only) editor=0; shift ;;
    *) echo "usage: scripts/build-windows.sh [--linux-build DIR | --linux-cli PATH] [--no-tests] [--cli-only]" >&2
       exit 2 ;;
  esac
done

deps=()
if [ "$editor" -eq 1 ]; then
  scripts/windows-deps.sh
  mapfile -t prefixes < <(scripts/windows-deps.sh --print)
  deps=(-DZARNIK_WITH_GUI=ON "-DZARNIK_WINDOWS_DEPS=${prefixes[0]};${prefixes[1]}"
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)
else
  deps=(-DZARNIK_WITH_GUI=OFF -DZARNIK_WINDOWS_DEPS=)
fi

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
start=$SECONDS
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DZARNIK_SANITIZED_TESTS=OFF "${deps[@]}" \
  -DZARNIK_GTEST_SOURCE_DIR=/usr/src/googletest -DZARNIK_LINUX_CLI="$linux_cli" \
  -DZARNIK_LINUX_BUILD="$linux_build" "${launcher[@]}" >/dev/null
cmake --build "$build" -j2
echo "Windows build: $((SECONDS - start)) s; release artefact: $(ls "$build"/zarnik*-windows-x64.zip)"
[ "$run_tests" -eq 1 ] || exit 0

# A prefix of our own, made fresh and removed afterwards, with its wineserver.
start=$SECONDS
export WINEPREFIX
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/zarnik-wine-XXXXXX")
cleanup() {
  WINEPREFIX=$WINEPREFIX /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
}
trap cleanup EXIT
scripts/wine-run.sh cmd /c exit 0 >/dev/null 2>&1 || true  # creates the prefix once
ctest --test-dir "$build" --output-on-failure -j2
echo "Windows tests under Wine: $((SECONDS - start)) s"
