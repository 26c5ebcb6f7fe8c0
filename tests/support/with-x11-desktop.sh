#!/usr/bin/env bash
#   with-x11-desktop.sh COMMAND [ARGS...]
# Runs COMMAND (Qt on xcb) on a private 1280x800 Xvfb screen with the openbox window
# manager; both stop when COMMAND ends, however it ends.
set -euo pipefail
source "$(dirname "$0")/private-netns.sh"
rig_dir
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$rig/display" 2>"$rig/xvfb.log" &
# Up to 30 s each: a machine busy building can take that long to start an X server.
wait_for 600 test -s "$rig/display" || { cat "$rig/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$rig/display")" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$rig/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
XDG_CONFIG_HOME=$rig openbox --sm-disable >"$rig/openbox.log" 2>&1 &
wait_for 600 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
  { echo "with-x11-desktop: openbox did not start" >&2; cat "$rig/openbox.log" >&2; exit 1; }
"$@"
