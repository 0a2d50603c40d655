#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and starts the editor on the given file (or the sample).
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)

./scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target zarnik

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  cat >&2 <<MSG
Zarnik is built (build/app/zarnik), but no window can open here: there is no display
(neither DISPLAY nor WAYLAND_DISPLAY is set). Run it from a desktop session, or under a
virtual X server:
    xvfb-run -a ./run.sh${1:+ $1}
MSG
  exit 1
fi

file="${1:-$root/examples/sample.gxt}"
[ $# -gt 0 ] && file=$(realpath -m -- "$1")
exec "$root/build/app/zarnik" "$file"
