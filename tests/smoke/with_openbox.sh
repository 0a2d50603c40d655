#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command on a fresh Xvfb display with openbox managing its windows, so frames,
# minimising and maximising happen as on a desktop.
#   [SCREEN=WxHxD] with_openbox.sh XWINDOW COMMAND [ARGS...]
set -euo pipefail
xwindow=$1
shift
export QT_QPA_PLATFORM=xcb
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR=$(mktemp -d)
  chmod 700 "$XDG_RUNTIME_DIR"
  export XDG_RUNTIME_DIR
fi

xvfb-run -a -s "-screen 0 ${SCREEN:-1024x768x24}" bash -c '
  xwindow=$1
  shift
  openbox --sm-disable > /dev/null 2>&1 &
  wm=$!
  if ! "$xwindow" wm 20; then
    kill $wm 2>/dev/null || true
    exit 1
  fi
  set +e
  "$@"
  status=$?
  kill $wm 2>/dev/null
  wait $wm 2>/dev/null
  exit $status
' with_openbox "$xwindow" "$@"
