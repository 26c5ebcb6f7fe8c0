#!/usr/bin/env bash
# Runs a command beside a real Samba server on 127.0.0.1:445, inside a private network
# namespace (see private-netns.sh), and stops the server afterwards, whatever happens.
#   smbd-env.sh COMMAND [ARGS...]
#
# The server (configuration, state and share directories in a temp dir) offers:
#   Public                  Disk, guest access
#   Team Docs               Disk, guest access (a space in the name)
#   Quarterly Reports 2024  Disk, guest access (longer than smbclient's 15-column name field)
#   archive                 Disk, guest access (lower case)
#   Private                 Disk, only for the login below; hidden from everybody else in
#                           share listings ("access based share enum")
#   ADMIN$                  Disk, guest access (an administrative-style name)
#   Laser                   Printer
#   IPC$                    IPC (Samba's own)
# Login: user "tarnwick" with a password made up for this run (mapped to the Unix user that
# runs smbd; the passdb is a private tdbsam). Unknown users and "guest" become the guest.
#
# Exported to COMMAND:
#   TARNWICK_SMB_HOST=127.0.0.1     TARNWICK_SMB_PORT=445
#   TARNWICK_SMB_USER, TARNWICK_SMB_PASSWORD        the login above
#   TARNWICK_SMB_ALIAS=nas.tarnwick.test            also "nas": /etc/hosts names for the host
#   TARNWICK_SMB_SHARES=DIR                         one world-writable directory per share
#   TARNWICK_SMB_CONF=FILE                          the server's smb.conf (for smbclient -s)
# Extra shares: set TARNWICK_SMB_EXTRA_CONF to an smb.conf fragment; it is appended.
# Set TARNWICK_SMB_MDNS=1 to let smbd announce itself over avahi (under avahi-env.sh).
# Set TARNWICK_SMB_KEEP=1 to keep the temp dir (logs: log.smbd, log.<client>).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/private-netns.sh"
enter_private_netns "$@"

[ $# -gt 0 ] || { echo "usage: $0 COMMAND [ARGS...]" >&2; exit 2; }

root=$(mktemp -d /tmp/tarnwick-smbd.XXXXXX)
chmod 755 "$root"
smbd_pid=""
cleanup() {
  [ -n "$smbd_pid" ] && stop_process "$smbd_pid" group
  if [ -n "${TARNWICK_SMB_KEEP:-}" ]; then
    echo "smbd-env.sh: kept $root" >&2
  else
    rm -rf "$root"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$root"/{run,lock,state,cache,private,ncalrpc,spool}
chmod 1777 "$root/spool"
shares=$root/shares
for dir in public team reports archive private admin; do
  mkdir -p "$shares/$dir"
  chmod 777 "$shares/$dir"
done

user=tarnwick
password="Tw-$(head -c 9 /dev/urandom | base64 | tr '/+' '_-')!"
unix_user=$(id -un)
echo "$unix_user = $user" >"$root/users.map"

# Beside avahi-env.sh, smbd would announce itself as "_smb._tcp" (TARNWICKTEST on the
# avahi host); tests want only the services they publish, unless they ask for it.
mdns=no
[ -n "${TARNWICK_SMB_MDNS:-}" ] && mdns=yes

conf=$root/smb.conf
cat >"$conf" <<EOF
[global]
  workgroup = WORKGROUP
  netbios name = TARNWICKTEST
  server role = standalone server
  map to guest = Bad User
  interfaces = 127.0.0.1
  bind interfaces only = yes
  smb ports = 445
  disable netbios = yes
  multicast dns register = $mdns
  pid directory = $root/run
  lock directory = $root/lock
  state directory = $root/state
  cache directory = $root/cache
  private dir = $root/private
  ncalrpc dir = $root/ncalrpc
  log file = $root/log.%m
  log level = 1
  passdb backend = tdbsam:$root/private/passdb.tdb
  username map = $root/users.map
  load printers = no
  printing = bsd
  printcap name = /dev/null
  disable spoolss = yes
[Public]
  path = $shares/public
  guest ok = yes
  read only = no
[Team Docs]
  path = $shares/team
  guest ok = yes
  read only = no
[Quarterly Reports 2024]
  path = $shares/reports
  guest ok = yes
[archive]
  path = $shares/archive
  guest ok = yes
[Private]
  path = $shares/private
  valid users = $unix_user
  read only = no
  access based share enum = yes
[ADMIN\$]
  path = $shares/admin
  guest ok = yes
[Laser]
  path = $root/spool
  printable = yes
  guest ok = yes
EOF
if [ -n "${TARNWICK_SMB_EXTRA_CONF:-}" ]; then
  cat "$TARNWICK_SMB_EXTRA_CONF" >>"$conf"
fi

printf '%s\n%s\n' "$password" "$password" |
  smbpasswd -c "$conf" -a -s "$unix_user" >"$root/smbpasswd.log" 2>&1 ||
  { cat "$root/smbpasswd.log" >&2; exit 1; }

# Names for the host, as a LAN's DNS would give them; only this namespace sees the file.
alias=nas.tarnwick.test
{ cat /etc/hosts 2>/dev/null; echo "127.0.0.1 $alias nas"; } >"$root/hosts"
mount --bind "$root/hosts" /etc/hosts

# Its own session, so a stop reaches the per-client children too.
setsid smbd -s "$conf" --foreground --no-process-group --debug-stdout \
  >"$root/log.smbd" 2>&1 </dev/null &
smbd_pid=$!
ready=0
for _ in $(seq 500); do
  if (exec 3<>/dev/tcp/127.0.0.1/445) 2>/dev/null; then ready=1; break; fi
  process_alive "$smbd_pid" || break
  sleep 0.02
done
if [ $ready -ne 1 ]; then
  echo "smbd-env.sh: smbd did not start; its log:" >&2
  cat "$root/log.smbd" >&2
  exit 1
fi

# The first share listing starts Samba's RPC helpers (samba-dcerpcd, ~2 s); do it here so
# the command meets a warm server.
smbclient -s "$conf" -L //127.0.0.1 -N -g >/dev/null 2>&1 || :

export TARNWICK_SMB_HOST=127.0.0.1 TARNWICK_SMB_PORT=445
export TARNWICK_SMB_USER=$user TARNWICK_SMB_PASSWORD=$password
export TARNWICK_SMB_ALIAS=$alias TARNWICK_SMB_SHARES=$shares TARNWICK_SMB_CONF=$conf

status=0
"$@" || status=$?
exit $status
