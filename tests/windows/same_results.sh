#!/usr/bin/env bash
# Runs every command of zarnik-cli on every file of the corpus twice, with the Linux build
# and with the Windows build under Wine, each in a folder of its own holding the same files
# under the same names, and compares what the two print, how they exit and every file they
# leave behind, byte for byte. Only the system's wording of an error may differ.
#   same_results.sh LINUX_CLI WINDOWS_CLI_EXE FILE.gxt...
set -uo pipefail

linux=$1 windows=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
wine_run="$here/../../scripts/wine-run.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/linux" "$work/windows" "$work/out"

names=()
for f in "$@"; do
  name=$(basename "$f")
  names+=("$name")
  cp "$f" "$work/linux/$name"
  cp "$f" "$work/windows/$name"
done
# A Cyrillic name: the Windows build must reach it through the UTF-16 file functions.
cp "$1" "$work/linux/тексты игры.gxt"
cp "$1" "$work/windows/тексты игры.gxt"
names+=("тексты игры.gxt")

failures=0 commands=0
fail() {
  echo "DIFFERENT: $*" >&2
  failures=$((failures + 1))
}

# run_both SYSTEM_TEXT ARGS...: SYSTEM_TEXT is "yes" when the command fails with a reason
# worded by the system, which the two systems word differently.
run_both() {
  local system_text=$1
  shift
  commands=$((commands + 1))
  (cd "$work/linux" && "$linux" "$@" >"$work/out/linux.out" 2>"$work/out/linux.err" </dev/null)
  echo $? >"$work/out/linux.rc"
  (cd "$work/windows" && "$wine_run" "$windows" "$@" >"$work/out/windows.out" 2>"$work/out/windows.err" </dev/null)
  echo $? >"$work/out/windows.rc"
  cmp -s "$work/out/linux.rc" "$work/out/windows.rc" ||
    fail "exit status of '$*': $(cat "$work/out/linux.rc") on Linux, $(cat "$work/out/windows.rc") on Windows"
  cmp -s "$work/out/linux.out" "$work/out/windows.out" || fail "standard output of '$*'"
  if [ "$system_text" = yes ]; then
    # The same message up to the reason, and a reason on both.
    local l w
    l=$(sed 's/: [^:]*$//' "$work/out/linux.err")
    w=$(sed 's/: [^:]*$//' "$work/out/windows.err")
    [ "$l" = "$w" ] && [ -s "$work/out/windows.err" ] || fail "standard error of '$*'"
  else
    cmp -s "$work/out/linux.err" "$work/out/windows.err" || fail "standard error of '$*'"
  fi
}

run_both no --help
run_both no --version
run_both no help recode
run_both no list
run_both no info a.gxt extra
run_both no list a.gxt --mode klingon
run_both yes info missing.gxt
run_both yes export "${names[0]}" missing/out.txt

i=0
for name in "${names[@]}"; do
  i=$((i + 1))
  run_both no info "$name"
  for mode in original pirate buka; do
    run_both no list "$name" --mode "$mode"
  done
  run_both no export "$name"
  run_both no export "$name" "export-$i.txt"
  run_both no recode pirate-to-buka "$name" -o "buka-$i.gxt"
  run_both no resave "$name" -o "resaved-$i.gxt"
  run_both no recode buka-to-pirate "$name"
done
# In place, twice: the second save replaces the first one's backup.
run_both no resave "${names[0]}"
run_both no resave "${names[0]}"

# Every file left on either side, compared byte for byte.
(cd "$work/linux" && find . -type f | sort) >"$work/out/linux.files"
(cd "$work/windows" && find . -type f | sort) >"$work/out/windows.files"
if ! cmp -s "$work/out/linux.files" "$work/out/windows.files"; then
  fail "the files left behind: $(diff "$work/out/linux.files" "$work/out/windows.files" | tr '\n' ' ')"
fi
files=0
while IFS= read -r f; do
  files=$((files + 1))
  [ -f "$work/windows/$f" ] && ! cmp -s "$work/linux/$f" "$work/windows/$f" && fail "the contents of $f"
done <"$work/out/linux.files"

echo "$commands commands on ${#names[@]} files, $files files written or kept: $failures differences"
[ "$failures" -eq 0 ]
