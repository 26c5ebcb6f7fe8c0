#!/usr/bin/env bash
# Renews the tray pictures in docs/screenshots/: the Wayland test's screen (sway, swaybar's
# black bar, the settings window a click opened), the icon cropped from that bar, and the
# menu as waybar draws it from Tarnwick's DBusMenu, with the fake macOS tools mounting one of
# two shares. Everything runs in a private network namespace as an unused uid.
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/support/private-netns.sh
case ${TRAY_PHASE:-} in
'') bash scripts/install-deps.sh test
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build build -j2 --target tarnwick | tail -1
  enter_private_netns "$@" # runs this part again, in the namespace
  out=$PWD/docs/screenshots
  tests/shell/wayland-tray.sh build/app/tarnwick "$out"
  convert "$out/wayland-sway.png" -crop 100x23+924+0 +repage -scale 400% "$out/tray-dark-panel.png"
  rig_dir && mkdir "$rig/Volumes" "$rig/state"
  for tool in sbin/mount sbin/umount bin/rmdir sbin/ping usr/bin/security usr/bin/osascript; do
    mkdir -p "$rig/$(dirname $tool)"
    printf '#!/bin/sh\nexec /bin/bash %s %s %s "$@"\n' "$PWD/tests/fake-tools/fake-tool.sh" \
      "$rig/state" "$(basename $tool)" >"$rig/$tool" && chmod +x "$rig/$tool"
  done
  # "mount volume" mounts Media and fails for every other share.
  printf '%s\n' 's=$(sed -n "s|^mount volume \"smb://[^/]*/\\(.*\\)\"$|\\1|p" "$state/$tool.$n.stdin")' \
    '[ "$s" = Media ] && mt_add "//user@nas/Media on $PWD/Volumes/Media (smbfs, nodev, mounted by user)" || status=1' \
    >"$rig/state/osascript.hook"
  sed 's/"username\\":\\"\\"}/&,{\\"id\\":\\"7A1C0E52-5D6B-4E0A-9B7E-0D3C2F6A1B03\\",\\"name\\":\\"Backups\\",\\"username\\":\\"\\"}/' \
    tests/shell/wayland-tray.conf >"$rig/t.conf"
  chown -R 65534:65534 "$rig"
  TRAY_PHASE=user RIG=$rig OUT=$out setpriv --reuid=65534 --regid=65534 --clear-groups \
    "$BASH" "$0" "$@"
  cp "$rig/tray-menu.png" "$out/" && exit 0 ;;
user) export HOME=$RIG XDG_CONFIG_HOME=$RIG XDG_CACHE_HOME=$RIG XDG_RUNTIME_DIR=$RIG/run
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  printf '{"position": "top", "modules-left": ["sway/workspaces"], "modules-right": ["tray"],
    "tray": {"icon-size": 18}}\n' >"$RIG/waybar.json"
  printf 'window#waybar { background: #23262e; color: #e0e0e0; }\n' >"$RIG/waybar.css"
  printf 'exec waybar -c %s/waybar.json -s %s/waybar.css\n' "$RIG" "$RIG" >"$RIG/sway.conf"
  TRAY_PHASE=bus exec dbus-run-session -- "$BASH" "$0" "$@" ;;
esac
trap 'kill $(jobs -p) 2>/dev/null || :' EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$RIG/display" 2>/dev/null &
wait_for 200 test -s "$RIG/display"
export DISPLAY=":$(head -n1 "$RIG/display")" WAYLAND_DISPLAY=wayland-1
WLR_BACKENDS=x11 WLR_RENDERER=pixman sway -c "$RIG/sway.conf" >"$RIG/sway.log" 2>&1 &
wait_for 200 dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher / \
  org.freedesktop.DBus.Peer.Ping
env -u DISPLAY QT_QPA_PLATFORM=wayland build/app/tarnwick --settings "$RIG/t.conf" \
  --tool-root "$RIG" >"$RIG/tarnwick.log" 2>&1 &
wait_for 200 grep -q Media "$RIG/state/mounttable" && sleep 2 # the menu follows the mount
xdotool mousemove 1010 16 click 3 && sleep 1
grim -g '744,0 280x220' "$RIG/tray-menu.png"
