#!/usr/bin/env bash
# Unpacks the release zip as a user would and checks what is inside: exactly the program,
# the Readme, the licence and the notices of the runtime linked in; the program runs
# (under Wine) and reports its version; the Readme is Windows-1251 text with CR LF line
# ends that reads as Russian.
#   release_zip.sh zarnik-cli-VERSION-windows-x64.zip VERSION
set -euo pipefail
zip=$1 version=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cd "$work"
cmake -E tar xf "$zip"
[ "$(basename "$zip")" = "zarnik-cli-$version-windows-x64.zip" ] || { echo "the zip's name does not say version $version" >&2; exit 1; }
listing=$(find . -type f ! -path './licences/*' | LC_ALL=C sort | tr '\n' ' ')
[ "$listing" = "./COPYING.txt ./Readme.txt ./zarnik-cli.exe " ] || { echo "unexpected contents: $listing" >&2; exit 1; }
cmp COPYING.txt "$here/../../COPYING"
# The GCC runtime (libstdc++, libgcc) and the MinGW-w64 runtime with winpthreads, each
# under its own terms.
grep -qs "GCC Runtime Library Exception" licences/*.txt || { echo "no notice of the GCC runtime" >&2; exit 1; }
grep -qs "winpthreads" licences/*.txt || { echo "no notice of the MinGW-w64 runtime" >&2; exit 1; }

out=$("$here/../../scripts/wine-run.sh" ./zarnik-cli.exe --version)
out=${out%%$'\n'*}
[ "$out" = "zarnik-cli $version" ] || { echo "zarnik-cli.exe --version printed: $out" >&2; exit 1; }

# Every line ends in CR LF, and the text is Cyrillic in Windows-1251 (not UTF-8).
if LC_ALL=C grep -q $'[^\r]$' Readme.txt; then echo "Readme.txt has a line without CR LF" >&2; exit 1; fi
text=$(iconv -f CP1251 -t UTF-8 Readme.txt)
case "$text" in *"Русские имена файлов"*) ;; *) echo "Readme.txt is not Windows-1251 Russian" >&2; exit 1;; esac
case "$text" in "zarnik-cli $version для Windows"*) ;; *) echo "Readme.txt does not start with the version" >&2; exit 1;; esac
if iconv -f UTF-8 -t UTF-8 Readme.txt >/dev/null 2>&1; then echo "Readme.txt is UTF-8, not Windows-1251" >&2; exit 1; fi
echo "release zip: zarnik-cli.exe $version, a Windows-1251 Readme.txt, COPYING.txt and $(ls licences | wc -l) notices"
