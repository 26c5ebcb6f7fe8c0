#!/usr/bin/env bash
#   wayland-tray.sh TARNWICK OUT_DIR: Tarnwick on sway 1.7 with swaybar's tray, in a private
# network namespace, as an unused uid (sway refuses root). Sway's X11 backend on a private
# Xvfb gives a real pointer: the clicks go through swaybar. Checks the item, its icon on the
# black bar, and that clicks open the settings window focused, once, never the popover a
# Wayland client cannot place. Leaves the screen in OUT_DIR/wayland-sway.png.
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
  printf 'bar {\n swaybar_command true\n position top\n tray_output *\n}\n' >"$RIG/sway.conf"
  TRAY_PHASE=bus exec dbus-run-session -- "$BASH" "$0" "$@" ;;
esac
trap 'kill $(jobs -p) 2>/dev/null || :' EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$RIG/display" 2>"$RIG/xvfb.log" &
wait_for 200 test -s "$RIG/display" || { cat "$RIG/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$RIG/display")" WAYLAND_DISPLAY=wayland-1
WLR_BACKENDS=x11 WLR_RENDERER=pixman sway -c "$RIG/sway.conf" >"$RIG/sway.log" 2>&1 &
export SWAYSOCK=$XDG_RUNTIME_DIR/sway-ipc.$(id -u).$!.sock
wait_for 200 swaymsg -t get_version || { cat "$RIG/sway.log"; exit 77; } # sway cannot run here
env -u DISPLAY QT_QPA_PLATFORM=wayland "$1" --settings "$RIG/t.conf" >"$RIG/tarnwick.log" 2>&1 &
item() { dbus-send --session --print-reply=literal --dest="$1" /StatusNotifierItem \
  org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierItem "string:$2"; }
first() { for name in $(dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus \
  / org.freedesktop.DBus.ListNames | grep -o ':1\.[0-9]*'); do item "$name" Id && return; done
  false; }
# The bar starts after the item is up, like a panel late at login: the item must still register.
wait_for 600 first && swaybar -b bar-0 >"$RIG/swaybar.log" 2>&1 &
items() { dbus-send --session --print-reply=literal --dest=org.kde.StatusNotifierWatcher \
  /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
  string:RegisteredStatusNotifierItems | grep -o ':[0-9.]*/StatusNotifierItem'; }
wait_for 600 items || { echo "no item registered with swaybar"; cat "$RIG"/*.log; exit 1; }
item "$(items | cut -d/ -f1)" IconName | grep -qw tarnwick-symbolic || { echo "IconName?"; exit 1; }
lit() { # the tray corner's brightest pixel, in per cent
  grim -g '984,0 40x20' "$RIG/t.png" &&
    [ "$(convert "$RIG/t.png" -colorspace Gray -format '%[fx:int(100*maxima)]' info:)" -ge 50 ]; }
wait_for 100 lit || { echo "no icon visible on the black bar"; exit 1; }
views() { # every window: app_id|title|focused
  swaymsg -t get_tree | jq -r '.. | objects | select(.pid?) | "\(.app_id)|\(.name)|\(.focused)"'; }
settled() { [ "$(views)" = "tarnwick|Tarnwick Settings|true" ]; }
closed() { [ -z "$(views)" ]; }
click() { # swaybar 1.7 shows no DBusMenu: the right button asks the item, like the left
  xdotool mousemove 1014 11 click "$1"
  wait_for 100 settled || { echo "after button $1:"; views; exit 1; }; }
click 1 && click 3 && swaymsg '[app_id=tarnwick] kill' >/dev/null && wait_for 100 closed
click 1
# A watcher that is not there yet has refused nothing.
grep '\[Tray\]' "$RIG/tarnwick.log" && { echo "unexpected tray log lines"; exit 1; }
grim "$RIG/wayland-sway.png"
