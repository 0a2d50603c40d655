#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Debian package from BUILD_DIR (build/ by default), checks it with lintian
# (no error, no warning), installs it with apt-get as a user would, runs zarnik-cli
# --version and the real-window smoke test from the installed binaries, checks that they
# wrote nothing under /usr, and purges the package.
# Needs root (or sudo); test.sh runs it last.
#   ./scripts/check-package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$(realpath -m -- "${1:-build}")

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if sudo -n true 2>/dev/null; then
    sudo="sudo"
  else
    echo "check-package: skipped, installing a package needs root or sudo" >&2
    exit 0
  fi
fi
# A Zarnik the user installed is left alone: the check would purge it.
if dpkg-query -W -f='${Status}' zarnik 2>/dev/null | grep -q "ok installed"; then
  echo "check-package: skipped, the zarnik package is installed on this machine already" >&2
  exit 0
fi

./scripts/package.sh "$build"
cmake --build "$build" -j2 --target xwindow >/dev/null
deb=$(ls "$build"/package/zarnik_*.deb)
fail() { echo "check-package: FAIL: $*" >&2; exit 1; }

# Debian's policy, as lintian reads it; it only warns that it runs as root, which CI does.
lintian --fail-on error,warning "$deb" 2> >(grep -v '^running with root privileges is not recommended!$' >&2) ||
  fail "lintian finds errors or warnings in $(basename "$deb")"
apt() { $sudo env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 -y -qq "$@"; }

purge() { apt purge zarnik >/dev/null 2>&1 || true; }
trap purge EXIT
apt install "$deb" >/dev/null
[ "$(command -v zarnik-cli)" = /usr/bin/zarnik-cli ] || fail "zarnik-cli is not on PATH from /usr/bin"
[ -x /usr/bin/zarnik ] || fail "/usr/bin/zarnik is missing"
# The system's own triggers took in the desktop entry and the MIME type.
[ -f /usr/share/mime/application/x-gta2-gxt.xml ] || fail "the MIME database does not know application/x-gta2-gxt"
if [ -f /usr/share/applications/mimeinfo.cache ]; then
  grep -q '^application/x-gta2-gxt=.*org\.zarnik\.Zarnik\.desktop' /usr/share/applications/mimeinfo.cache ||
    fail ".gxt files are not offered to the editor in mimeinfo.cache"
fi

marker=$(mktemp)
trap 'rm -f "$marker"; purge' EXIT
version=$(zarnik-cli --version)
version=${version%%$'\n'*}
[ "$version" = "zarnik-cli $(dpkg-deb -f "$deb" Version)" ] || fail "zarnik-cli --version printed '$version'"
"$root/tests/smoke/real_window_smoke.sh" /usr/bin/zarnik "$build/tests/smoke/xwindow" \
  "$root/examples/sample.gxt" --installed
written=$(find /usr -xdev -newer "$marker" 2>/dev/null | head -20)
[ -z "$written" ] || fail "the installed programs wrote under /usr:
$written"

apt purge zarnik >/dev/null
for f in /usr/bin/zarnik /usr/bin/zarnik-cli /usr/share/zarnik /usr/share/mime/application/x-gta2-gxt.xml; do
  [ ! -e "$f" ] || fail "$f is still there after the purge"
done
echo "check-package: $(basename "$deb") installed, ran from /usr/bin without writing under /usr, purged"
