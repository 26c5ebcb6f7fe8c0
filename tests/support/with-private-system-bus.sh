#!/usr/bin/env bash
#   with-private-system-bus.sh SERVICE_DIR COMMAND [ARGS...]
# Runs COMMAND with DBUS_SYSTEM_BUS_ADDRESS naming a private, permissive dbus-daemon that
# D-Bus-activates the services of SERVICE_DIR. The daemon and all it started stop when
# COMMAND ends, however it ends; COMMAND's status is returned.
set -euo pipefail
source "$(dirname "$0")/private-netns.sh"
services=$1
shift
rig_dir
pgid=""
rig_cleanup() {
  [ -n "$pgid" ] || return 0
  kill -TERM -- "-$pgid" 2>/dev/null || :
  sleep 0.1
  kill -KILL -- "-$pgid" 2>/dev/null || :
}
cat >"$rig/bus.conf" <<CONF
<busconfig><listen>unix:dir=$rig</listen><servicedir>$services</servicedir><auth>EXTERNAL</auth>
  <policy context="default"><allow user="*"/><allow own="*"/><allow eavesdrop="true"/>
    <allow send_destination="*" eavesdrop="true"/></policy></busconfig>
CONF
# A session of its own, so the daemon and the services it activates stop together.
setsid dbus-daemon --config-file="$rig/bus.conf" --nofork --nopidfile \
  --print-address=3 3>"$rig/address" </dev/null &
pgid=$!
wait_for 600 test -s "$rig/address" ||
  { echo "with-private-system-bus: dbus-daemon did not start" >&2; exit 1; }
DBUS_SYSTEM_BUS_ADDRESS=$(head -n1 "$rig/address")
export DBUS_SYSTEM_BUS_ADDRESS
"$@"
