#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds, once per machine, what the Windows build of the editor links against and Debian
# does not package for MinGW: Qt 6 (Core, Gui, Widgets, Test and the platform plugins) from
# Debian's qt6-base source package, and GNU gettext's libgettextpo from Debian's gettext
# source package. Both land in a cache folder outside the project, one folder per recipe:
#
#   $ZARNIK_WINDOWS_CACHE/qt-<version>-<hash>        (default cache: /var/cache/zarnik-windows)
#   $ZARNIK_WINDOWS_CACHE/gettextpo-<version>-<hash>
#
# <version> is the source package's version (the same Qt as the host tools of
# qt6-base-dev-tools, which the cross-build uses for moc, rcc and uic), <hash> is taken from
# the recipe below, so changing either builds afresh. A folder is complete once it holds
# the file .complete; anything else under that name is left over from a broken build.
#
#   scripts/windows-deps.sh [qt|gettextpo]   build what is missing
#   scripts/windows-deps.sh --print    print the two folders, one a line, building nothing
#   scripts/windows-deps.sh --check    exit 0 only if both are built
set -euo pipefail
cd "$(dirname "$0")/.."

cache=${ZARNIK_WINDOWS_CACHE:-/var/cache/zarnik-windows}
triplet=x86_64-w64-mingw32

# The cross toolchain Qt is built with. Its path is written into the installed Qt's CMake
# files, so it lives inside the installed folder, which never moves.
write_toolchain() {
  cat > "$1" <<'EOF'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
}

# The smallest Qt the editor needs. Direct2D stays on (the Windows plugin's DirectWrite font
# database is only built with it) but its 1.1 API is left out; Debian's tarball has no
# wintab sources, hence no tablet events. The bundled third-party libraries are used
# because Debian packages none of them for MinGW.
qt_recipe() {
  local src=$1 build=$2 prefix=$3
  write_toolchain "$prefix/mingw-w64-x86_64.cmake"
  mkdir -p "$build"
  (cd "$build" && "$src/configure" -prefix "$prefix" -xplatform win32-g++ -release -shared \
    -qt-host-path /usr -nomake examples -nomake tests \
    -no-opengl -no-dbus -no-icu -no-feature-sql -no-feature-network -no-feature-xml \
    -no-feature-concurrent -no-feature-printsupport -no-feature-tabletevent \
    -feature-direct2d -no-feature-direct2d1_1 \
    -qt-zlib -qt-pcre -qt-harfbuzz -qt-libpng -qt-freetype -qt-doubleconversion -no-libjpeg \
    -- -G Ninja -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64-x86_64.cmake")
  cmake --build "$build" --parallel 2
  cmake --install "$build"
}

# Only the library, static, from gettext-tools alone: no programs, no translations of
# gettext's messages (the editor shows its own), no iconv (MinGW has none; PO files in UTF-8
# need none).
gettextpo_recipe() {
  local src=$1 build=$2 prefix=$3
  mkdir -p "$build"
  (cd "$build" && "$src/gettext-tools/configure" --host=x86_64-w64-mingw32 --prefix="$prefix" \
    CC=x86_64-w64-mingw32-gcc-posix CXX=x86_64-w64-mingw32-g++-posix \
    --disable-shared --enable-static --disable-nls --disable-java --disable-csharp \
    --disable-openmp --disable-curses --disable-acl --disable-xattr --disable-c++ \
    --without-emacs --without-git --without-cvs --without-bzip2 --without-xz \
    --disable-dependency-tracking --enable-silent-rules)
  make -C "$build/libgettextpo" -j2
  make -C "$build/libgettextpo" install
}

# Debian's patches to gettext change configure.ac and Makefile.am files, which would need
# its autotools run again; none of them concerns libgettextpo, so the package's upstream
# tarball is built as it is.
gettextpo_unpack() {
  dpkg-source -x --skip-patches "$1" "$2"
}

source_version() {  # the version apt would fetch: the one the host tools have, for Qt
  case "$1" in
    qt6-base) dpkg-query -W -f='${source:Version}' qt6-base-dev-tools ;;
    gettext) dpkg-query -W -f='${source:Version}' gettext ;;
  esac
}

folder_of() {  # $1 qt|gettextpo
  local package recipe
  case "$1" in
    qt) package=qt6-base; recipe=$(declare -f write_toolchain qt_recipe) ;;
    gettextpo) package=gettext; recipe=$(declare -f gettextpo_unpack gettextpo_recipe) ;;
  esac
  local version hash
  version=$(source_version "$package")
  [ -n "$version" ] || { echo "windows-deps.sh: $package is not installed on the host" >&2; exit 1; }
  hash=$(printf '%s' "$recipe" | sha256sum | cut -c1-12)
  echo "$cache/$1-${version//[:+~]/_}-$hash"
}

# apt with a sources file and lists of its own, holding only source entries for the Debian
# archives the system installs from: the system's apt configuration stays untouched.
apt_sources() {
  local dir=$cache/apt
  if [ ! -s "$dir/sources.list" ]; then
    mkdir -p "$dir/lists/partial"
    local keyring=/usr/share/keyrings/debian-archive-keyring.gpg option=""
    [ -f "$keyring" ] && option="[signed-by=$keyring] "
    apt-get indextargets --format '$(ORIGIN) $(REPO_URI) $(RELEASE) $(COMPONENT)' \
        'Created-By: Packages' | awk -v o="$option" '$1 == "Debian" { print "deb-src " o $2, $3, $4 }' \
        | sort -u > "$dir/sources.list.new"
    if [ ! -s "$dir/sources.list.new" ]; then
      echo "windows-deps.sh: no Debian archive in apt's lists (run apt-get update)" >&2
      exit 1
    fi
    mv "$dir/sources.list.new" "$dir/sources.list"
  fi
  apt-get -o Dir::Etc::SourceList="$dir/sources.list" -o Dir::Etc::SourceParts=/nonexistent \
    -o Dir::State::Lists="$dir/lists" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache= "$@"
}

build_one() {  # $1 qt|gettextpo
  local what=$1 package recipe folder
  case "$what" in
    qt) package=qt6-base; recipe=qt_recipe ;;
    gettextpo) package=gettext; recipe=gettextpo_recipe ;;
  esac
  folder=$(folder_of "$what")
  [ -f "$folder/.complete" ] && return 0
  local version work started=$SECONDS
  version=$(source_version "$package")
  work=$(mktemp -d "${TMPDIR:-/var/tmp}/zarnik-$what-XXXXXX")
  echo "Building $what for Windows from $package $version into $folder (log: $work/build.log)"
  rm -rf "$folder"
  mkdir -p "$folder"
  # Qt with Debian's patches, as apt-get source unpacks it.
  local unpack="dpkg-source -x"
  [ "$what" = gettextpo ] && unpack=gettextpo_unpack
  if ! { apt_sources update -qq \
         && (cd "$work" && apt_sources source -qq --download-only "$package=$version") \
         && $unpack "$(ls "$work"/*.dsc)" "$work/src" \
         && "$recipe" "$work/src" "$work/build" "$folder"; } >"$work/build.log" 2>&1; then
    tail -n 40 "$work/build.log" >&2
    echo "windows-deps.sh: building $what failed; the whole log is $work/build.log" >&2
    exit 1
  fi
  echo "$package $version, built in $((SECONDS - started)) s" > "$folder/.complete"
  rm -rf "$work"
  echo "Built $what in $((SECONDS - started)) s"
}

case "${1:-}" in
  --print) folder_of qt; folder_of gettextpo ;;
  --check) [ -f "$(folder_of qt)/.complete" ] && [ -f "$(folder_of gettextpo)/.complete" ] ;;
  "") build_one gettextpo; build_one qt ;;
  qt|gettextpo) build_one "$1" ;;
  *) echo "usage: scripts/windows-deps.sh [qt|gettextpo|--print|--check]" >&2; exit 2 ;;
esac
