#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the build and the tests need, only those that are missing.
set -euo pipefail

packages=(
  cmake g++ make
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev   # libFuzzer and the sanitizer runtimes (clang only recommends them)
  libgettextpo-dev gettext   # PO files: read and written by gettext's library, checked by msgfmt
  xvfb xauth libx11-dev   # the real-window smoke test
  libxtst-dev             # real key presses sent through the X server in the real-window tests
  openbox                 # a window manager for the real-window tests, framing as a desktop does
  qt6-translations-l10n   # Qt's own buttons and dialogs in Russian
  fonts-dejavu-core
  librsvg2-bin help2man   # the 256-pixel icon from its SVG; the manual page of zarnik-cli
  desktop-file-utils appstream libxml2-utils shared-mime-info   # checks of the install tree
  dpkg-dev file           # the Debian package: dpkg-shlibdeps, and file, which CPack runs on the binaries
  ninja-build             # Qt for Windows is configured for Ninja when scripts/windows-deps.sh builds it
  lintian man-db          # the Debian package checked against Debian's policy; man --warnings on the manual pages
  g++-mingw-w64-x86-64-posix googletest wine64   # zarnik-cli for Windows, tested under Wine
  libreoffice-calc-nogui   # TSV files opened and saved by a real spreadsheet in the tests
  python3-polib translate-toolkit   # PO files loaded and saved by other translators' tools in the tests
  fonts-wine xdotool      # the Windows editor's real window under Wine: Tahoma, keys pressed
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    sudo="sudo"
  else
    echo "These packages are missing and this user cannot install them: ${missing[*]}" >&2
    echo "Install them as root (apt-get install ${missing[*]}) and run again." >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
