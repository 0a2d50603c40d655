#!/usr/bin/env bash
# Cross-builds the document core, the settings files and zarnik-cli.exe for 64-bit Windows
# (statically linked: no DLL to ship), with the core's GoogleTest suite and the CLI's
# tests, runs them all under Wine in a fresh prefix, without a display, and leaves the
# release zip in the build folder.
#
#   scripts/build-windows.sh [--linux-cli PATH] [--no-tests]
#
# --linux-cli names a Linux zarnik-cli (e.g. build/cli/zarnik-cli); the tests then include
# running every command on the corpus with both and comparing the results byte for byte.
# Needs g++-mingw-w64-x86-64-posix, googletest and wine64 (scripts/install-deps.sh).
# The build folder is build-windows, or $ZARNIK_WINDOWS_BUILD.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${ZARNIK_WINDOWS_BUILD:-$root/build-windows}

linux_cli="" run_tests=1
while [ $# -gt 0 ]; do
  case "$1" in
    --linux-cli) linux_cli=$(realpath "$2"); shift 2 ;;
    --no-tests) run_tests=0; shift ;;
    *) echo "usage: scripts/build-windows.sh [--linux-cli PATH] [--no-tests]" >&2; exit 2 ;;
  esac
done

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
start=$SECONDS
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DZARNIK_WITH_GUI=OFF -DZARNIK_SANITIZED_TESTS=OFF \
  -DZARNIK_GTEST_SOURCE_DIR=/usr/src/googletest -DZARNIK_LINUX_CLI="$linux_cli" \
  "${launcher[@]}" >/dev/null
cmake --build "$build" -j2
echo "Windows build: $((SECONDS - start)) s; release artefact: $(ls "$build"/zarnik-cli-*-windows-x64.zip)"
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
