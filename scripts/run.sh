#!/usr/bin/env bash
# Installs what Tarnwick needs, builds it and starts it. Arguments go to tarnwick
# (try --help).
# With no arguments and no server configured yet, it runs the demo instead (scripts/demo.sh:
# a throwaway Samba server on loopback whose two shares Tarnwick mounts, all stopped again
# at the end). --demo runs the demo in any case; --no-demo starts Tarnwick with an empty list.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh run
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTARNWICK_BUILD_TESTS=OFF -DTARNWICK_BUILD_BENCH=OFF >/dev/null
cmake --build build-release

configured() {
  local conf=${XDG_CONFIG_HOME:-$HOME/.config}/tarnwick/tarnwick.conf
  [ -f "$conf" ] && grep -q '^tarnwick\.servers=.*host' "$conf"
}
demo() { exec scripts/demo.sh --binary build-release/app/tarnwick "$@"; }
case "${1:-}" in
  --demo) shift; demo "$@" ;;
  --no-demo) shift ;;
  "")
    if ! configured; then
      echo "No server configured yet: running the demo (scripts/run.sh --no-demo skips it)."
      demo
    fi
    ;;
esac
exec build-release/app/tarnwick "$@"
