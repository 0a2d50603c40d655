#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a temporary DESTDIR under /usr and checks what a desktop and
# a package manager will see: the file list, the desktop entry, the AppStream metainfo,
# the MIME type (in a MIME database of its own), the manual pages, the icon, one version in
# the program, the changelog and the metainfo; then runs the installed editor in an X
# window and checks it wrote nothing into the installed tree.
#   install_check.sh BUILD_DIR SOURCE_DIR MIMEQUERY [XWINDOW]
set -euo pipefail
build=$1
source=$2
mimequery=$3
xwindow=${4:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dest="$work/root"
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$dest" cmake --install "$build" --prefix /usr >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }
usr="$dest/usr"

# Exactly these files, and nothing else (no test programs, no libraries of the build).
expected="bin/zarnik
bin/zarnik-cli
share/applications/org.zarnik.Zarnik.desktop
share/doc/zarnik/changelog.gz
share/doc/zarnik/copyright
share/icons/hicolor/256x256/apps/zarnik.png
share/icons/hicolor/scalable/apps/zarnik.svg
share/man/man1/zarnik-cli.1.gz
share/man/man1/zarnik.1.gz
share/metainfo/org.zarnik.Zarnik.metainfo.xml
share/mime/packages/zarnik-gxt.xml
share/zarnik/Readme.txt
share/zarnik/Settings.ini"
actual=$(cd "$usr" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "installed files differ:
$(diff <(echo "$expected") <(echo "$actual") || true)"
[ "$(ls -A "$dest")" = usr ] || fail "something was installed outside /usr: $(ls -A "$dest")"
cmp "$usr/share/zarnik/Readme.txt" "$source/resources/Readme.txt"
cmp "$usr/share/zarnik/Settings.ini" "$source/resources/Settings.ini"

desktop-file-validate "$usr/share/applications/org.zarnik.Zarnik.desktop" || fail "desktop entry"
grep -qx 'MimeType=application/x-gta2-gxt;' "$usr/share/applications/org.zarnik.Zarnik.desktop"
grep -qx 'Exec=zarnik %f' "$usr/share/applications/org.zarnik.Zarnik.desktop"
appstreamcli validate --no-net "$usr/share/metainfo/org.zarnik.Zarnik.metainfo.xml" || fail "metainfo"
# The tree as a whole: the metainfo's launchable names the installed desktop entry.
appstreamcli validate-tree --no-net "$dest" || fail "metainfo and desktop entry together"
xmllint --noout "$usr/share/mime/packages/zarnik-gxt.xml" "$usr/share/metainfo/org.zarnik.Zarnik.metainfo.xml"

# The PNG icon: its header says 256 x 256.
png=$(od -An -tx1 -j0 -N24 "$usr/share/icons/hicolor/256x256/apps/zarnik.png" | tr -d ' \n')
[ "${png:0:16}" = 89504e470d0a1a0a ] || fail "the 256-pixel icon is not a PNG"
[ "${png:32:16}" = 0000010000000100 ] || fail "the PNG icon is not 256 x 256 (IHDR ${png:32:16})"

# The manual page: made from --help, so every command the tool lists is in it.
zcat "$usr/share/man/man1/zarnik-cli.1.gz" >"$work/zarnik-cli.1"
grep -q '^\.TH ZARNIK-CLI "1"' "$work/zarnik-cli.1" || fail "manual page header"
grep -q '^\.SH SYNOPSIS' "$work/zarnik-cli.1" || fail "manual page synopsis"
for command in $("$usr/bin/zarnik-cli" --help | sed -n 's/^  \([a-z-]*\) .*/\1/p'); do
  grep -q "$command" "$work/zarnik-cli.1" || fail "the manual page does not mention '$command'"
done
# Groff finds nothing to warn of in either page (lintian would).
for page in zarnik zarnik-cli; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "groff warns of the manual page of $page: $warnings"
done

# One version everywhere: the program, the changelog, the AppStream releases.
version=$("$usr/bin/zarnik-cli" --version)
version=${version%%$'\n'*}
version=${version#zarnik-cli }
zcat "$usr/share/doc/zarnik/changelog.gz" >"$work/changelog"
changelog=$(dpkg-parsechangelog -l "$work/changelog" -S Version)
[ "$changelog" = "$version" ] || fail "the changelog's version $changelog is not the program's $version"
date=$(date -u +%F -d "$(dpkg-parsechangelog -l "$work/changelog" -S Date)")
grep -q "<release version=\"$version\" date=\"$date\"/>" "$usr/share/metainfo/org.zarnik.Zarnik.metainfo.xml" ||
  fail "the metainfo has no release $version of $date"

# The MIME type, in a database of its own: by name (any case) and by the header alone.
mime="$work/mime"
mkdir -p "$mime/share/mime/packages" "$work/emptyhome"
cp "$usr/share/mime/packages/zarnik-gxt.xml" "$mime/share/mime/packages/"
XDG_DATA_HOME="$work/emptyhome" XDG_DATA_DIRS="$mime/share:/usr/share" \
  update-mime-database "$mime/share/mime" 2>"$work/mime.err"
[ ! -s "$work/mime.err" ] || fail "update-mime-database: $(cat "$work/mime.err")"
files="$work/files"
mkdir "$files"
sample="$source/examples/sample.gxt"
cp "$sample" "$files/sample.gxt"
cp "$sample" "$files/ENGLISH.GXT"
cp "$sample" "$files/texts"                        # no extension: the header decides
{ printf 'GBLE'; tail -c +5 "$sample"; } >"$files/english.dat"   # another language letter
{ printf 'GBLRe'; tail -c +6 "$sample"; } >"$files/other.dat"    # not version 100
printf 'GBL is not a header here\n' >"$files/notes.txt"
query() { XDG_DATA_HOME="$work/emptyhome" XDG_DATA_DIRS="$mime/share:/usr/share" "$mimequery" "$@"; }
got=$(cd "$files" && query sample.gxt ENGLISH.GXT texts english.dat other.dat notes.txt | tr '\n' ' ')
want="application/x-gta2-gxt application/x-gta2-gxt application/x-gta2-gxt application/x-gta2-gxt application/octet-stream text/plain "
[ "$got" = "$want" ] || fail "MIME types: got '$got', want '$want'"
# Without our type in the database, the same files are not recognised: the query does
# read the database built above.
got=$(cd "$files" && XDG_DATA_HOME="$work/emptyhome" XDG_DATA_DIRS=/usr/share "$mimequery" sample.gxt texts | tr '\n' ' ')
case $got in *gta2*) fail "the system database already knows the type: $got" ;; esac

# The installed editor in a real window: its settings go to the user's folder, and the
# installed tree is left as it was.
if [ -n "$xwindow" ]; then
  before=$(cd "$dest" && find . -printf '%p %s %T@\n' | LC_ALL=C sort)
  "$source/tests/smoke/real_window_smoke.sh" "$usr/bin/zarnik" "$xwindow" "$sample" --installed
  after=$(cd "$dest" && find . -printf '%p %s %T@\n' | LC_ALL=C sort)
  [ "$before" = "$after" ] || fail "the installed editor changed the installed tree:
$(diff <(echo "$before") <(echo "$after") || true)"
fi
echo "install checks passed"
