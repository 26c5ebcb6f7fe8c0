#!/usr/bin/env bash
# with-x11-desktop.sh [--tray] COMMAND [ARGS...]
# Runs COMMAND on a private Xvfb screen (1280x800) with the openbox window manager and,
# with --tray, a trayer system tray at the top right. Qt uses the xcb platform there.
# Everything started here is stopped when COMMAND ends, however it ends.
set -euo pipefail
tray=0
if [ "${1:-}" = "--tray" ]; then
  tray=1
  shift
fi
tmp=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || :; done
  wait 2>/dev/null || :
  rm -rf "$tmp"
}
trap cleanup EXIT INT TERM

wait_for() { # wait_for TRIES COMMAND...: retries COMMAND every 50 ms
  local tries=$1
  shift
  for _ in $(seq "$tries"); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  return 1
}

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
pids+=($!)
wait_for 200 test -s "$tmp/display" || { cat "$tmp/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$tmp/display")"
export QT_QPA_PLATFORM=xcb
mkdir -m 700 "$tmp/runtime"
export XDG_RUNTIME_DIR="$tmp/runtime"

openbox --sm-disable --config-file "$(dirname "$0")/openbox-rc.xml" >"$tmp/openbox.log" 2>&1 &
pids+=($!)
wait_for 200 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
  { echo "with-x11-desktop: openbox did not start" >&2; exit 1; }

if [ $tray -eq 1 ]; then
  trayer --edge top --align right --widthtype pixel --width 120 --height 26 \
    --SetDockType true --SetPartialStrut true --expand false >"$tmp/trayer.log" 2>&1 &
  pids+=($!)
  wait_for 200 sh -c 'xwininfo -root -tree | grep -q "\"panel\""' ||
    { echo "with-x11-desktop: trayer did not start" >&2; exit 1; }
fi

status=0
"$@" || status=$?
exit "$status"
