#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a Windows program under Wine, headless: no display (so no window can appear),
# no debug chatter, and a UTF-8 locale so that Cyrillic arguments and file names cross
# between Linux and the program intact. CTest uses it for every test of the Windows build.
#   WINEPREFIX=/some/fresh/folder scripts/wine-run.sh program.exe ARGS...
# Without WINEPREFIX it uses (and once creates) a prefix of its own under the temporary folder.
set -euo pipefail

wine=""
for candidate in /usr/lib/wine/wine64 "$(command -v wine64 || true)" "$(command -v wine || true)"; do
  if [ -n "$candidate" ] && [ -x "$candidate" ]; then wine=$candidate; break; fi
done
if [ -z "$wine" ]; then
  echo "wine-run.sh: Wine is not installed (Debian package wine64)" >&2
  exit 127
fi

export WINEDEBUG=-all LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY
if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX="${TMPDIR:-/tmp}/zarnik-wine-$(id -u)"
fi
# Tests start in parallel; only one of them may create the prefix.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      "$wine" wineboot --init >/dev/null 2>&1 || true
      "$(dirname "$wine")/wineserver" -w 2>/dev/null || true
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec "$wine" "$@"
