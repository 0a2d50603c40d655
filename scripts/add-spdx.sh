#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the licence's SPDX line at the top of every source file of ours that lacks it:
# C++ files as a // comment, CMake files and scripts (*.sh, or an executable starting with
# #!) as a # comment, after the #! line where there is one. Test data, resources,
# templates, COPYING and whatever sits in a build folder are left alone.
#   scripts/add-spdx.sh [--check]
# --check changes nothing: it lists the files that lack the line and fails if any does.
set -euo pipefail
identifier='SPDX-License-Identifier: GPL-3.0-or-later'

# Sets comment to what starts a comment line in FILE, or to nothing when FILE is not a
# source file; shebang to 1 when its first line is a #! line.
classify() {
  local file=$1 first=""
  IFS= read -r first <"$file" || true
  shebang=0
  [[ $first == '#!'* ]] && shebang=1
  case "$file" in
    *.cpp | *.h) comment='//' ;;
    */CMakeLists.txt | *.cmake | *.sh) comment='#' ;;
    *) comment=""; [ "$shebang" -eq 1 ] && [ -x "$file" ] && comment='#' ;;
  esac
  return 0
}

# True when the line is the first, or the second after a #! line.
has_line() {
  local file=$1 line="" n=0
  while IFS= read -r line && [ "$n" -le "$shebang" ]; do
    [ "$n" -eq "$shebang" ] && [ "${line%$'\r'}" = "$comment $identifier" ] && return 0
    n=$((n + 1))
  done <"$file"
  return 1
}

# Written over the file itself, so that its mode, owner and links stay as they were; a
# file with CR LF line ends gets a CR LF line.
add_line() {
  local file=$1 first="" eol=$'\n' new
  IFS= read -r first <"$file" || true
  [[ $first == *$'\r' ]] && eol=$'\r\n'
  new=$(mktemp)
  { head -n "$shebang" "$file"; printf '%s %s%s' "$comment" "$identifier" "$eol"; tail -n "+$((shebang + 1))" "$file"; } >"$new"
  cat "$new" >"$file"
  rm -f "$new"
}

main() {
  cd "$(dirname "$0")/.."
  local check=0 file comment shebang missing=()
  case "${1:-}" in
    --check) check=1 ;;
    "") ;;
    *) echo "usage: scripts/add-spdx.sh [--check]" >&2; exit 2 ;;
  esac
  # Build folders (any holding a CMakeCache.txt) and Git's own folder are not sources.
  while IFS= read -r -d '' file; do
    classify "$file"
    [ -n "$comment" ] || continue
    has_line "$file" && continue
    missing+=("${file#./}")
    [ "$check" -eq 1 ] || add_line "$file"
  done < <(find . \( -name .git -o -type d -exec test -e '{}/CMakeCache.txt' ';' \) -prune -o -type f -print0 | LC_ALL=C sort -z)

  if [ "$check" -eq 0 ]; then
    echo "added '$identifier' to ${#missing[@]} files"
  elif [ ${#missing[@]} -gt 0 ]; then
    echo "These source files do not start with '$identifier' (scripts/add-spdx.sh adds it):" >&2
    printf '  %s\n' "${missing[@]}" >&2
    exit 1
  else
    echo "every source file starts with '$identifier'"
  fi
}

# The whole script is read before it runs: it may add the line to itself.
main "$@"; exit
