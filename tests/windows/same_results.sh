#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every command of zarnik-cli on every file of the corpus twice, with the Linux build
# and with the Windows build under Wine, each in a folder of its own holding the same files
# under the same names, and compares what the two print, how they exit and every file they
# leave behind, byte for byte. Only the system's wording of an error may differ.
# With --translations, extract and apply too (PO, POT and TSV), the PO files under
# Cyrillic names; the PO header's revision date, the time of the run, is left out of the
# comparison.
#   same_results.sh [--translations] LINUX_CLI WINDOWS_CLI_EXE RUN_COMMANDS_EXE FILE.gxt...
set -uo pipefail

translations=0
if [ "$1" = --translations ]; then
  translations=1
  shift
fi
linux=$(realpath "$1") windows=$(realpath "$2") runner=$(realpath "$3")
shift 3
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

# The commands, one a line with tab-separated arguments, and whether each may fail with
# a reason worded by the system, which the two systems word differently.
commands=() system_texts=()
add() {
  local system_text=$1
  shift
  local IFS=$'\t'
  commands+=("$*")
  system_texts+=("$system_text")
}

add no --help
add no --version
add no help recode
add no list
add no info a.gxt extra
add no list a.gxt --mode klingon
add yes info missing.gxt
add yes export "${names[0]}" missing/out.txt

i=0
for name in "${names[@]}"; do
  i=$((i + 1))
  add no info "$name"
  # A file that does not load fails the same way for every command; one command that
  # would write is enough to show that nothing is written.
  if ! "$linux" info "$work/linux/$name" >/dev/null 2>&1; then
    add no recode pirate-to-buka "$name"
    continue
  fi
  for mode in original pirate buka; do
    add no list "$name" --mode "$mode"
  done
  add no export "$name"
  add no export "$name" "export-$i.txt"
  add no recode pirate-to-buka "$name" -o "buka-$i.gxt"
  add no resave "$name" -o "resaved-$i.gxt"
  add no recode buka-to-pirate "$name"
  if [ "$translations" -eq 1 ]; then
    add no extract "$name" -o "перевод-$i.po" --source "$name"
    add no extract "$name" -o "шаблон-$i.pot" --mode pirate
    add no extract "$name" -o "table-$i.tsv"
    add no apply "$name" "перевод-$i.po" -o "из-po-$i.gxt"
    add no apply "$name" "table-$i.tsv" -o "from-tsv-$i.gxt" --mode buka
  fi
done
# In place, twice: the second save replaces the first one's backup.
add no resave "${names[0]}"
add no resave "${names[0]}"

printf '%s\n' "${commands[@]}" >"$work/commands.txt"
mkdir -p "$work/out/linux" "$work/out/windows"
(
  cd "$work/linux"
  n=0
  while IFS=$'\t' read -r -a args; do
    n=$((n + 1))
    "$linux" "${args[@]}" >"$work/out/linux/$n.out" 2>"$work/out/linux/$n.err" </dev/null
    echo $? >"$work/out/linux/$n.rc"
  done <"$work/commands.txt"
)
# All the Windows runs from one Wine start: starting Wine costs more than the runs.
(cd "$work/windows" && "$wine_run" "$runner" "$windows" "$work/commands.txt" "$work/out/windows") ||
  { echo "the Windows runs did not complete" >&2; exit 1; }

failures=0
fail() {
  echo "DIFFERENT: $*" >&2
  failures=$((failures + 1))
}
for ((n = 1; n <= ${#commands[@]}; n++)); do
  what="'${commands[n - 1]//$'\t'/ }'"
  l="$work/out/linux/$n" w="$work/out/windows/$n"
  cmp -s "$l.rc" "$w.rc" || fail "exit status of $what: $(cat "$l.rc") on Linux, $(cat "$w.rc" 2>/dev/null) on Windows"
  cmp -s "$l.out" "$w.out" || fail "standard output of $what"
  if [ "${system_texts[n - 1]}" = yes ]; then
    # The same message up to the reason, and a reason on both.
    if [ "$(sed 's/: [^:]*$//' "$l.err")" != "$(sed 's/: [^:]*$//' "$w.err")" ] || [ ! -s "$w.err" ]; then
      fail "standard error of $what"
    fi
  else
    cmp -s "$l.err" "$w.err" || fail "standard error of $what"
  fi
done

# Every file left on either side, compared byte for byte.
(cd "$work/linux" && find . -type f | sort) >"$work/out/linux.files"
(cd "$work/windows" && find . -type f | sort) >"$work/out/windows.files"
if ! cmp -s "$work/out/linux.files" "$work/out/windows.files"; then
  fail "the files left behind: $(diff "$work/out/linux.files" "$work/out/windows.files" | tr '\n' ' ')"
fi
files=0
while IFS= read -r f; do
  files=$((files + 1))
  [ -f "$work/windows/$f" ] || continue
  case "$f" in
    *.po | *.pot)
      if ! cmp -s <(grep -v '^"PO-Revision-Date: ' "$work/linux/$f") \
                  <(grep -v '^"PO-Revision-Date: ' "$work/windows/$f"); then
        fail "the contents of $f"
      fi ;;
    *) cmp -s "$work/linux/$f" "$work/windows/$f" || fail "the contents of $f" ;;
  esac
done <"$work/out/linux.files"

echo "${#commands[@]} commands on ${#names[@]} files, $files files written or kept: $failures differences"
[ "$failures" -eq 0 ]
