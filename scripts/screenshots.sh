#!/usr/bin/env bash
# Renews docs/screenshots/ in English and German: the popover on a private Xvfb screen with
# a window manager, using the fake macOS tools for the share states (one mounted, one failed,
# one server unreachable); the settings window beside a private avahi-daemon and Samba server.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build --target tst_tray_icon tst_settings_window
TARNWICK_SCREENSHOT_DIR="$PWD/docs/screenshots" \
  tests/support/with-x11-desktop.sh tests/support/session-env.sh build/tests/shell/tst_tray_icon \
  screenshots
TARNWICK_SCREENSHOT_DIR="$PWD/docs/screenshots" QT_QPA_PLATFORM=offscreen tests/support/avahi-env.sh \
  tests/support/smbd-rig.sh --extra-conf tests/support/listing-shares.conf \
  build/tests/settings/tst_settings_window screenshots
