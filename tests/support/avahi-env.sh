#!/usr/bin/env bash
#   avahi-env.sh COMMAND [ARGS...]
# Runs COMMAND beside a real avahi-daemon serving only "lo" of a private network namespace
# (private-netns.sh), on a private system bus, and stops both afterwards. COMMAND sees
# DBUS_SYSTEM_BUS_ADDRESS (DNS-SD clients, avahi-publish and avahi-browse reach the daemon
# there; nss-mdns reaches it too) and TARNWICK_AVAHI_HOST (tarnwick-test.local, where its
# services are). Publish while the process lives: avahi-publish -s NAME _smb._tcp PORT, or on
# another host: avahi-publish -a -R other.local 127.0.0.2 & avahi-publish -s -H other.local ...
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/private-netns.sh"
enter_private_netns "$@"
[ $# -gt 0 ] || { echo "usage: $0 COMMAND [ARGS...]" >&2; exit 2; }
# A system bus of our own, which outlives avahi-daemon.
if [ -z "${TARNWICK_AVAHI_BUS:-}" ]; then
  export TARNWICK_AVAHI_BUS=1
  exec "$here/with-private-system-bus.sh" "$here/no-services" "$BASH" "$0" "$@"
fi
unset TARNWICK_AVAHI_BUS

rig_dir /tmp/tarnwick-avahi.XXXXXX
host=tarnwick-test
printf '%s\n' '[server]' "host-name=$host" domain-name=local use-ipv6=no allow-interfaces=lo \
  ratelimit-interval-usec=1000000 ratelimit-burst=1000 '[wide-area]' enable-wide-area=no \
  '[publish]' publish-aaaa-on-ipv4=no >"$rig/avahi-daemon.conf"
mkdir -p /run/avahi-daemon
mount -t tmpfs -o mode=0755 tmpfs /run/avahi-daemon
avahi-daemon -f "$rig/avahi-daemon.conf" --no-drop-root --no-chroot --no-rlimits \
  --no-proc-title --debug >"$rig/avahi.log" 2>&1 </dev/null &
# Ready in state AVAHI_SERVER_RUNNING (2): its host name is established.
wait_for 600 sh -c 'dbus-send --system --print-reply --dest=org.freedesktop.Avahi / \
    org.freedesktop.Avahi.Server.GetState | grep -q "int32 2"' || {
  echo "avahi-env.sh: avahi-daemon did not start; its log:" >&2
  cat "$rig/avahi.log" >&2
  exit 1
}
export TARNWICK_AVAHI_HOST=$host.local
"$@"
