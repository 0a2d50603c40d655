#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the real editor on an X server of its own, under a window manager, with the
# sample, checks that its window shows the file's path in the caption, asks it to close
# as the window manager's close box would, and expects a clean exit.
#   real_window_smoke.sh ZARNIK XWINDOW SAMPLE [--installed] [--screenshot TOOL FILE.png]
# --installed runs ZARNIK where it is (an installed copy) with a home folder of its own,
# and expects its settings in that home's ~/.config/zarnik; without it, the executable
# runs from a private copy of its folder, so the run's settings stay out of the build.
# --screenshot saves a picture of the window, taken with TOOL, before closing it.
set -euo pipefail
zarnik=$1
xwindow=$2
sample=$3
shift 3
installed=0
shot_tool=""
shot_file=""
while [ $# -gt 0 ]; do
  case $1 in
    --installed) installed=1; shift ;;
    --screenshot) shot_tool=$2; shot_file=$(realpath -m -- "$3"); shift 3 ;;
    *) echo "unknown argument $1" >&2; exit 2 ;;
  esac
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$sample" "$work/sample.gxt"
if [ $installed = 1 ]; then
  mkdir "$work/home"
  export HOME="$work/home"
  unset XDG_CONFIG_HOME
  program=$zarnik
else
  cp "$zarnik" "$work/zarnik"
  cp "$(dirname "$zarnik")"/*.txt "$(dirname "$zarnik")"/*.ini "$work/" 2>/dev/null || true
  program="$work/zarnik"
fi
[ -n "$shot_file" ] && mkdir -p "$(dirname "$shot_file")"

export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$work/runtime"

# Large enough for the whole window at its default place, so the screenshot has no
# part of it off the screen.
SCREEN=1280x1024x24 "$(dirname "$0")/with_openbox.sh" "$xwindow" bash -c '
  set -e
  "$3" "$1/sample.gxt" > "$1/zarnik.log" 2>&1 &
  pid=$!
  if ! id=$("$2" wait "$1/sample.gxt" 20); then
    kill $pid 2>/dev/null || true
    cat "$1/zarnik.log"
    exit 1
  fi
  echo "window $id shows $1/sample.gxt"
  if [ -n "$4" ]; then
    # Give the list a moment to fill and paint; try again while it shows nothing.
    for attempt in $(seq 1 10); do
      sleep 0.5
      if size=$("$4" "$id" "$5"); then break; fi
      [ $attempt = 10 ] && { kill $pid; exit 1; }
    done
    echo "screenshot $size in $5"
  fi
  # The window can be found a moment before it listens for the close request: ask
  # again each second, as an impatient user clicking the close box would.
  for attempt in $(seq 1 10); do
    "$2" close "$id" || true
    for i in $(seq 1 10); do
      if ! kill -0 $pid 2>/dev/null; then break 2; fi
      sleep 0.1
    done
  done
  if kill -0 $pid 2>/dev/null; then
    echo "the editor did not close on a close request"
    kill $pid
    exit 1
  fi
  wait $pid
  status=$?
  echo "exited with status $status"
  exit $status
' smoke "$work" "$xwindow" "$program" "$shot_tool" "$shot_file"

if [ $installed = 1 ]; then
  # The settings of the run went to the user's folder, the last file among them.
  settings="$work/home/.config/zarnik/Settings.ini"
  if ! grep -q "^LastFile=$work/sample.gxt" "$settings"; then
    echo "the installed editor did not keep its settings in $settings" >&2
    ls -la "$work/home/.config/zarnik" >&2 || true
    exit 1
  fi
  echo "settings kept in $settings"
fi
