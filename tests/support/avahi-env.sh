#!/usr/bin/env bash
# Runs a command beside a real avahi-daemon that serves only the loopback interface of a
# private network namespace (see private-netns.sh), reached over a private system bus, and
# stops both afterwards, whatever happens.
#   avahi-env.sh COMMAND [ARGS...]
#
# Exported to COMMAND:
#   DBUS_SYSTEM_BUS_ADDRESS   the private system bus (DNS-SD clients, avahi-publish and
#                             avahi-browse all find the daemon through it)
#   TARNWICK_AVAHI_HOST       the daemon's host name with its domain ("tarnwick-test.local");
#                             the services it publishes resolve to this name
# Publish a service for as long as the process lives:
#   avahi-publish -s NAME _smb._tcp PORT
# and one on another host:
#   avahi-publish -a -R other.local 127.0.0.2 & avahi-publish -s -H other.local NAME _smb._tcp PORT
# The daemon also serves nss-mdns (its socket is in the private /run/avahi-daemon), so
# "*.local" names resolve inside the namespace.
# Set TARNWICK_AVAHI_KEEP=1 to keep the temp dir (avahi.log, dbus.log).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/private-netns.sh"
enter_private_netns "$@"

[ $# -gt 0 ] || { echo "usage: $0 COMMAND [ARGS...]" >&2; exit 2; }

root=$(mktemp -d /tmp/tarnwick-avahi.XXXXXX)
dbus_pid="" avahi_pid=""
cleanup() {
  [ -n "$avahi_pid" ] && stop_process "$avahi_pid"
  [ -n "$dbus_pid" ] && stop_process "$dbus_pid"
  if [ -n "${TARNWICK_AVAHI_KEEP:-}" ]; then
    echo "avahi-env.sh: kept $root" >&2
  else
    rm -rf "$root"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A system bus of our own: avahi-daemon owns org.freedesktop.Avahi on it. Everybody may
# talk to everybody; it lives only as long as this script.
cat >"$root/system-bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$root/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
EOF
dbus-daemon --nofork --nopidfile --config-file="$root/system-bus.conf" >"$root/dbus.log" 2>&1 &
dbus_pid=$!
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$root/system_bus_socket
for _ in $(seq 200); do
  [ -S "$root/system_bus_socket" ] && break
  sleep 0.01
done

host=tarnwick-test
cat >"$root/avahi-daemon.conf" <<EOF
[server]
host-name=$host
domain-name=local
use-ipv4=yes
use-ipv6=no
allow-interfaces=lo
enable-dbus=yes
ratelimit-interval-usec=1000000
ratelimit-burst=1000
[wide-area]
enable-wide-area=no
[publish]
publish-hinfo=no
publish-workstation=no
publish-aaaa-on-ipv4=no
[reflector]
[rlimits]
EOF

# avahi-daemon keeps its pid file and socket in a fixed directory; ours is private.
mkdir -p /run/avahi-daemon
mount -t tmpfs -o mode=0755 tmpfs /run/avahi-daemon
avahi-daemon -f "$root/avahi-daemon.conf" --no-drop-root --no-chroot --no-rlimits \
  --no-proc-title --debug >"$root/avahi.log" 2>&1 </dev/null &
avahi_pid=$!

# Ready when the server state is AVAHI_SERVER_RUNNING (2): its host name is established.
ready=0
for _ in $(seq 500); do
  if dbus-send --system --print-reply --dest=org.freedesktop.Avahi / \
      org.freedesktop.Avahi.Server.GetState 2>/dev/null | grep -q "int32 2"; then
    ready=1
    break
  fi
  process_alive "$avahi_pid" || break
  sleep 0.02
done
if [ $ready -ne 1 ]; then
  echo "avahi-env.sh: avahi-daemon did not start; its log:" >&2
  cat "$root/avahi.log" >&2
  exit 1
fi

export TARNWICK_AVAHI_HOST=$host.local

status=0
"$@" || status=$?
exit $status
