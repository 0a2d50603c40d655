#!/usr/bin/env bash
# Starts the real editor on an X server of its own, under a window manager, with the
# sample, checks that its window shows the file's path in the caption, asks it to close
# as the window manager's close box would, and expects a clean exit.
set -euo pipefail
zarnik=$1
xwindow=$2
sample=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$sample" "$work/sample.gxt"
# A private copy of the program folder, so the run's settings stay out of the build.
cp "$zarnik" "$work/zarnik"
cp "$(dirname "$zarnik")"/*.txt "$(dirname "$zarnik")"/*.ini "$work/" 2>/dev/null || true

export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$work/runtime"

"$(dirname "$0")/with_openbox.sh" "$xwindow" bash -c '
  set -e
  "$1/zarnik" "$1/sample.gxt" > "$1/zarnik.log" 2>&1 &
  pid=$!
  if ! id=$("$2" wait "$1/sample.gxt" 20); then
    kill $pid 2>/dev/null || true
    cat "$1/zarnik.log"
    exit 1
  fi
  echo "window $id shows $1/sample.gxt"
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
' smoke "$work" "$xwindow"
