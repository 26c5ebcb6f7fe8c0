#!/usr/bin/env bash
#   wayland-tray.sh TARNWICK OUT_DIR
# Tarnwick under headless sway with swaybar's tray, in a private network namespace, as an
# unused uid (sway refuses root): the item registers with swaybar's watcher, its themed icon
# is visible on the black bar, and a click opens the settings window focused, once, never the
# popover that a Wayland client cannot place. Headless sway has no pointer, so the clicks are
# the calls swaybar makes. Leaves the screen in OUT_DIR/wayland-sway.png.
set -euo pipefail
source "$(dirname "$0")/../support/private-netns.sh"
command -v sway >/dev/null && command -v grim >/dev/null || exit 77
case ${TRAY_PHASE:-} in
'') enter_private_netns "$@"
  rig_dir && chown 65534:65534 "$rig" && rc=0
  TRAY_PHASE=user RIG=$rig setpriv --reuid=65534 --regid=65534 --clear-groups "$BASH" "$0" "$@" ||
    rc=$?
  cp "$rig/wayland-sway.png" "$2/" 2>/dev/null || :; exit $rc ;;
user) export HOME=$RIG XDG_CONFIG_HOME=$RIG XDG_CACHE_HOME=$RIG XDG_RUNTIME_DIR=$RIG/run WLR_BACKENDS=headless WLR_RENDERER=pixman
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  printf 'output HEADLESS-1 resolution 1280x720\nbar {\n position top\n tray_output *\n}\n' >"$RIG/sway.conf"
  printf '[General]\ntarnwick.servers="@ByteArray([{\\"id\\":\\"7A1C0E52-5D6B-4E0A-9B7E-0D3C2F6A1B01\\",\\"displayName\\":\\"NAS\\",\\"host\\":\\"192.0.2.1\\",\\"isEnabled\\":true,\\"shares\\":[{\\"id\\":\\"7A1C0E52-5D6B-4E0A-9B7E-0D3C2F6A1B02\\",\\"name\\":\\"Media\\",\\"username\\":\\"\\"}]}])"\n' >"$RIG/t.conf"
  TRAY_PHASE=bus exec dbus-run-session -- "$BASH" "$0" "$@" ;;
esac
trap 'kill $(jobs -p) 2>/dev/null || :' EXIT
sway -c "$RIG/sway.conf" >"$RIG/sway.log" 2>&1 &
watcher() { dbus-send --session --print-reply=literal --dest=org.kde.StatusNotifierWatcher \
  /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
  string:RegisteredStatusNotifierItems | grep -o ':[0-9.]*/StatusNotifierItem'; }
wait_for 200 dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher / \
  org.freedesktop.DBus.Peer.Ping || { cat "$RIG/sway.log"; exit 1; }
export WAYLAND_DISPLAY=wayland-1 SWAYSOCK=$(echo "$XDG_RUNTIME_DIR"/sway-ipc.*.sock)
QT_QPA_PLATFORM=wayland "$1" --settings "$RIG/t.conf" >"$RIG/tarnwick.log" 2>&1 &
wait_for 200 watcher || { echo "no item registered with swaybar"; cat "$RIG/tarnwick.log"; exit 1; }
item=$(watcher | cut -d/ -f1)
sni() { dbus-send --session --print-reply=literal --dest="$item" /StatusNotifierItem "$@"; }
sni org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierItem string:IconName |
  grep -qw tarnwick-symbolic || { echo "IconName is not tarnwick-symbolic"; exit 1; }
lit() { # the brightest pixel of the tray corner, in per cent
  grim -g '1240,0 40x20' "$RIG/tray.png" &&
    [ "$(convert "$RIG/tray.png" -colorspace Gray -format '%[fx:int(100*maxima)]' info:)" -ge 50 ]; }
wait_for 100 lit || { echo "no icon visible on the black bar"; exit 1; }
settled() { [ "$(swaymsg -t get_tree | jq -r '.. | objects | select(.pid?) |
  "\(.app_id)|\(.name)|\(.focused)"')" = "tarnwick|Tarnwick Settings|true" ]; }
for click in Activate ContextMenu; do # left, then right: swaybar 1.7 shows no DBusMenu
  sni org.kde.StatusNotifierItem.$click int32:1270 int32:10 >/dev/null
  wait_for 100 settled || { echo "after $click:"; swaymsg -t get_tree; exit 1; }
done
sleep 0.5 # past the settings window's second raise: no popover, no second window came late
settled || { echo "late window:"; swaymsg -t get_tree; exit 1; }
grim "$RIG/wayland-sway.png"
