#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the editor and makes its Debian package, BUILD_DIR/package/zarnik_VERSION_ARCH.deb
# (build-package/ by default). Its dependencies are read from the binaries by
# dpkg-shlibdeps. Install it with: apt-get install ./build-package/package/zarnik_*.deb
#   ./scripts/package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}

./scripts/install-deps.sh
# Packing runs the install rules only, not a build of every target (tests, benchmarks).
cmake -S . -B "$build" -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
for target in zarnik zarnik-cli zarnik_install_files; do
  cmake --build "$build" -j2 --target "$target"
done
rm -f "$build"/package/zarnik_*.deb
(cd "$build" && cpack -G DEB >cpack.log) || { cat "$build/cpack.log"; exit 1; }
ls "$build"/package/zarnik_*.deb
