#!/usr/bin/env bash
# Renews docs/screenshots/ (the popover in English and German) on a private Xvfb screen with
# a window manager and a system tray, using the fake macOS tools for the share states.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh test
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build --target tst_tray_icon
TARNWICK_SCREENSHOT_DIR="$PWD/docs/screenshots" \
  tests/support/with-x11-desktop.sh --tray build/tests/shell/tst_tray_icon screenshots
