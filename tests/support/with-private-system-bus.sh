#!/usr/bin/env bash
# with-private-system-bus.sh SERVICE_DIR COMMAND [ARGS...]
# Runs COMMAND with DBUS_SYSTEM_BUS_ADDRESS naming a private dbus-daemon that activates the
# services described in SERVICE_DIR (real D-Bus activation). The daemon and everything it
# started are stopped when COMMAND ends, however it ends; COMMAND's status is returned.
set -euo pipefail
services=$1
shift
tmp=$(mktemp -d)
pgid=""
cleanup() {
  if [ -n "$pgid" ]; then
    kill -TERM -- "-$pgid" 2>/dev/null || :
    sleep 0.1
    kill -KILL -- "-$pgid" 2>/dev/null || :
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT INT TERM

cat >"$tmp/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <listen>unix:dir=$tmp</listen>
  <servicedir>$services</servicedir>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
  </policy>
</busconfig>
CONF

# A session of its own, so that the daemon and the services it activates go together.
setsid dbus-daemon --config-file="$tmp/bus.conf" --nofork --nopidfile \
  --print-address=3 3>"$tmp/address" </dev/null &
pgid=$!
for _ in $(seq 100); do
  [ -s "$tmp/address" ] && break
  sleep 0.05
done
[ -s "$tmp/address" ] || { echo "with-private-system-bus: dbus-daemon did not start" >&2; exit 1; }
DBUS_SYSTEM_BUS_ADDRESS=$(head -n1 "$tmp/address")
export DBUS_SYSTEM_BUS_ADDRESS
status=0
"$@" || status=$?
exit "$status"
