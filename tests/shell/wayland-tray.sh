#!/usr/bin/env bash
#   wayland-tray.sh TARNWICK OUT_DIR
# Tarnwick on sway with swaybar's tray, in a private network namespace, as an unused uid (sway
# refuses root). Sway runs on a private Xvfb (its X11 backend) for a real pointer, so the
# clicks go through swaybar as a user's do. The item registers with swaybar's watcher, its
# themed icon shows on the black bar, and left and right clicks open the settings window
# focused, once, never the popover that a Wayland client cannot place. Leaves the screen in
# OUT_DIR/wayland-sway.png.
set -euo pipefail
source "$(dirname "$0")/../support/private-netns.sh"
command -v sway >/dev/null && command -v grim >/dev/null || exit 77
case ${TRAY_PHASE:-} in
'') enter_private_netns "$@"
  rig_dir && cp "$(dirname "$0")/wayland-tray.conf" "$rig/t.conf" && chown -R 65534:65534 "$rig"
  rc=0 && TRAY_PHASE=user RIG=$rig setpriv --reuid=65534 --regid=65534 --clear-groups \
    "$BASH" "$0" "$@" || rc=$?
  cp "$rig/wayland-sway.png" "$2/" 2>/dev/null || :; exit $rc ;;
user) export HOME=$RIG XDG_CONFIG_HOME=$RIG XDG_CACHE_HOME=$RIG XDG_RUNTIME_DIR=$RIG/run
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  printf 'bar {\n position top\n tray_output *\n}\n' >"$RIG/sway.conf"
  TRAY_PHASE=bus exec dbus-run-session -- "$BASH" "$0" "$@" ;;
esac
trap 'kill $(jobs -p) 2>/dev/null || :' EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$RIG/display" 2>"$RIG/xvfb.log" &
wait_for 200 test -s "$RIG/display" || { cat "$RIG/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$RIG/display")" WLR_BACKENDS=x11 WLR_RENDERER=pixman
sway -c "$RIG/sway.conf" >"$RIG/sway.log" 2>&1 &
watcher() { dbus-send --session --print-reply=literal --dest=org.kde.StatusNotifierWatcher \
  /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
  string:RegisteredStatusNotifierItems | grep -o ':[0-9.]*/StatusNotifierItem'; }
wait_for 200 dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher / \
  org.freedesktop.DBus.Peer.Ping || { cat "$RIG/sway.log"; exit 1; }
export WAYLAND_DISPLAY=wayland-1 SWAYSOCK=$(echo "$XDG_RUNTIME_DIR"/sway-ipc.*.sock)
env -u DISPLAY QT_QPA_PLATFORM=wayland "$1" --settings "$RIG/t.conf" >"$RIG/tarnwick.log" 2>&1 &
wait_for 200 watcher || { echo "no item registered with swaybar"; cat "$RIG/tarnwick.log"; exit 1; }
dbus-send --session --print-reply=literal --dest="$(watcher | cut -d/ -f1)" /StatusNotifierItem \
  org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierItem string:IconName |
  grep -qw tarnwick-symbolic || { echo "IconName is not tarnwick-symbolic"; exit 1; }
lit() { # the tray corner's brightest pixel, in per cent
  grim -g '984,0 40x20' "$RIG/tray.png" &&
    [ "$(convert "$RIG/tray.png" -colorspace Gray -format '%[fx:int(100*maxima)]' info:)" -ge 50 ]; }
wait_for 100 lit || { echo "no icon visible on the black bar"; exit 1; }
views() { swaymsg -t get_tree | jq -r '.. | objects | select(.pid?) | "\(.app_id)|\(.name)|\(.focused)"'; }
settled() { [ "$(views)" = "tarnwick|Tarnwick Settings|true" ]; }
closed() { [ -z "$(views)" ]; }
click() { # swaybar 1.7 shows no DBusMenu: the right button asks the item, like the left
  xdotool mousemove 1014 11 click "$1"
  wait_for 100 settled || { echo "after button $1:"; views; exit 1; }; }
click 1 && click 3 && swaymsg '[app_id=tarnwick] kill' >/dev/null && wait_for 100 closed
click 1 && sleep 0.5 # past the window's second raise: no popover, no second window came late
settled || { echo "late window:"; views; exit 1; }
grim "$RIG/wayland-sway.png"
