#!/usr/bin/env bash
# Installs the Debian 12 packages Tarnwick needs to build, run and test.
# Idempotent: when everything is present it only runs dpkg-query and returns.
# Usage: scripts/install-deps.sh [build|run|test|bench]   (default: test; bench adds the
# programs bench/footprint-bench.sh compares with)
set -euo pipefail

mode=${1:-test}

build_pkgs=(
  build-essential cmake ninja-build ccache pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  libqt6dbus6 libqt6svg6 qt6-svg-dev libgl-dev
  libbenchmark-dev libglib2.0-dev dpkg-dev
)
run_pkgs=(
  dbus dbus-user-session avahi-daemon avahi-utils libnss-mdns
  samba smbclient gvfs gvfs-backends gvfs-fuse fuse3 libglib2.0-bin
  gnome-keyring libsecret-tools iputils-ping iproute2 krb5-user
  qt6-qpa-plugins qt6-wayland qt6-gtk-platformtheme adwaita-icon-theme
)
test_pkgs=(
  xvfb xauth trayer openbox x11-apps x11-utils imagemagick xdotool sway grim jq waybar
  psmisc procps
  dbus-daemon dbus-bin
  iproute2
  desktop-file-utils appstream lintian man-db
)
bench_pkgs=(gigolo heaptrack)

want=("${build_pkgs[@]}")
case "$mode" in
  build) ;;
  run) want+=("${run_pkgs[@]}") ;;
  test) want+=("${run_pkgs[@]}" "${test_pkgs[@]}") ;;
  bench) want+=("${run_pkgs[@]}" "${test_pkgs[@]}" "${bench_pkgs[@]}") ;;
  *) echo "usage: $0 [build|run|test|bench]" >&2; exit 2 ;;
esac

missing=()
for p in "${want[@]}"; do
  if ! dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -qx installed; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
# Daemons installed here must not start system-wide instances; the tests start their own.
policy_added=0
if [ ! -e /usr/sbin/policy-rc.d ]; then
  printf '#!/bin/sh\nexit 101\n' | $sudo tee /usr/sbin/policy-rc.d >/dev/null
  $sudo chmod +x /usr/sbin/policy-rc.d
  policy_added=1
fi
trap '[ $policy_added -eq 1 ] && $sudo rm -f /usr/sbin/policy-rc.d' EXIT
$sudo apt-get update -q || true
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
