#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Unpacks the release zip as a user would, into a folder with Cyrillic letters in its
# name, under a Wine prefix of its own, and checks what is inside.
#  - zarnik-cli-VERSION-windows-x64.zip: exactly the program, the Readme, the licence and the
#    notices of the runtime linked in.
#  - zarnik-VERSION-windows-x64.zip: the editor and zarnik-cli with every DLL they load and no
#    other: each DLL is imported by a program or library of the zip, and each import is in
#    the zip or part of Windows; the Qt plugins, Qt's Russian translation, the default
#    Settings.ini and the licence notices.
# zarnik-cli runs there and reports its version, and exports a PO file that gettext's
# msgfmt accepts (real_window.sh runs the editor from such a folder); the Readmes are
# Windows-1251 text with CR LF line ends.
#   release_zip.sh ZIP VERSION [SAMPLE.gxt]
set -euo pipefail
zip=$(realpath "$1") version=$2 sample=${3:+$(realpath "$3")}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
export WINEPREFIX="$work/wine"
cleanup() {
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
folder="$work/Программы/Зарник"
mkdir -p "$folder"
cd "$folder"
cmake -E tar xf "$zip"
wine_run="$here/../../scripts/wine-run.sh"
fail() { echo "$*" >&2; exit 1; }

cp1251_readme() {  # FILE PHRASE: CR LF line ends, Windows-1251 Russian holding PHRASE
  if LC_ALL=C grep -q $'[^\r]$' "$1"; then fail "$1 has a line without CR LF"; fi
  case "$(iconv -f CP1251 -t UTF-8 "$1")" in *"$2"*) ;; *) fail "$1 is not Windows-1251 Russian";; esac
  if iconv -f UTF-8 -t UTF-8 "$1" >/dev/null 2>&1; then fail "$1 is UTF-8, not Windows-1251"; fi
}

version_line() {  # the first line of zarnik-cli.exe --version
  local out
  out=$("$wine_run" ./zarnik-cli.exe --version)
  [ "${out%%$'\n'*}" = "zarnik-cli $version" ] || fail "zarnik-cli.exe --version printed: $out"
}

case "$(basename "$zip")" in
  zarnik-cli-"$version"-windows-x64.zip | zarnik-"$version"-windows-x64.zip) ;;
  *) fail "the zip's name does not say version $version" ;;
esac
[ -f COPYING.txt ] && cmp -s COPYING.txt "$here/../../COPYING" || fail "the zip has no COPYING.txt with the licence"

listing=$(find . -type f ! -path './licences/*' | LC_ALL=C sort | tr '\n' ' ')
if [ ! -f zarnik.exe ]; then
  [ "$listing" = "./COPYING.txt ./Readme.txt ./zarnik-cli.exe " ] || fail "unexpected contents: $listing"
  # The GCC runtime (libstdc++, libgcc) and the MinGW-w64 runtime with winpthreads, each
  # under its own terms.
  grep -qs "GCC Runtime Library Exception" licences/*.txt || fail "no notice of the GCC runtime"
  grep -qs "winpthreads" licences/*.txt || fail "no notice of the MinGW-w64 runtime"
  version_line
  cp1251_readme Readme.txt "Русские имена файлов"
  case "$(iconv -f CP1251 -t UTF-8 Readme.txt)" in "zarnik-cli $version для Windows"*) ;; *) fail "Readme.txt does not start with the version";; esac
  echo "release zip: zarnik-cli.exe $version, a Windows-1251 Readme.txt, COPYING.txt and $(ls licences | wc -l) notices"
  exit 0
fi

for f in zarnik.exe zarnik-cli.exe platforms/qwindows.dll styles/qwindowsvistastyle.dll \
         translations/qtbase_ru.qm Readme.txt zarnik-cli.txt Settings.ini licences/README.txt \
         licences/LGPL-3.txt licences/GPL-3.txt licences/Qt.txt licences/gettext.txt; do
  [ -f "$f" ] || fail "the zip has no $f: $listing"
done
if [ -n "$(find . -name '*offscreen*' -o -name 'Qt6Test*')" ]; then
  fail "the zip carries what only the tests need: $listing"
fi

# Every import of every program and DLL, and what imports each DLL of the top folder.
"$wine_run" cmd /c exit 0 >/dev/null 2>&1 || true
system32="$WINEPREFIX/drive_c/windows/system32"
objdump=x86_64-w64-mingw32-objdump
imported=""
while IFS= read -r pe; do
  for dll in $("$objdump" -p "$pe" | sed -n 's/^\tDLL Name: //p'); do
    imported+="${dll,,} "
    # api-ms-win-* names are API sets, which the Windows loader resolves itself.
    case "${dll,,}" in api-ms-win-*) continue ;; esac
    if [ ! -f "./$dll" ] && [ -z "$(find "$system32" -maxdepth 1 -iname "$dll" -print -quit)" ]; then
      fail "$pe needs $dll, which is neither in the zip nor part of Windows"
    fi
  done
done < <(find . -name '*.exe' -o -name '*.dll')
for dll in *.dll; do
  case " $imported " in *" ${dll,,} "*) ;; *) fail "$dll is in the zip but nothing loads it";; esac
done

version_line
if [ -n "$sample" ]; then
  cp "$sample" "$work/тексты.gxt"
  "$wine_run" ./zarnik-cli.exe extract "Z:$work/тексты.gxt" -o "Z:$work/перевод.po" >/dev/null
  msgfmt --check -o /dev/null "$work/перевод.po" || fail "zarnik-cli.exe wrote a PO file msgfmt rejects"
fi
cp1251_readme Readme.txt "Zarnik"
cp1251_readme zarnik-cli.txt "Русские имена файлов"
cp1251_readme licences/README.txt "LGPL"
echo "release zip: zarnik.exe and zarnik-cli.exe $version with the $(ls *.dll | wc -l) DLLs they load, run from $folder"
