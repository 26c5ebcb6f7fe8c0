#!/usr/bin/env bash
# A throwaway Samba server on a free 127.x.y.z address, port 445, for tests and the demo.
#   smbd-rig.sh [--user NAME] [--password SECRET] [--extra-shares N] [--extra-conf FILE]
#               COMMAND [ARGS...]
# Runs COMMAND beside it, then stops it and its RPC helpers, however COMMAND ends. COMMAND sees
# TARNWICK_SMB_HOST, _USER and _PASSWORD (the login of "Private"), _ROOT (smb.conf, log/,
# shares/) and _PUBLIC, _PRIVATE, _TEAM (the shares' directories). Shares: "Public", "Team
# Docs" (guest), "Private" (the login only, hidden from others in listings) and, with
# --extra-shares N, the read-only guest shares "Extra1".."ExtraN" (zero-padded). --extra-conf
# appends FILE to smb.conf, @ROOT@ and @HOST@ replaced. Needs root and smbd, else exits 77 (skipped).
set -euo pipefail
user=tarnwick password='s3cret:pass@word' extra=0 extra_conf=""
while [ $# -gt 0 ]; do
  case "$1" in
    --user) user=$2; shift 2 ;;
    --password) password=$2; shift 2 ;;
    --extra-shares) extra=$2; shift 2 ;;
    --extra-conf) extra_conf=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: $0 [OPTIONS] COMMAND [ARGS...]" >&2; exit 2; }
if [ "$(id -u)" -ne 0 ] || ! command -v smbd >/dev/null; then
  echo "smbd-rig: needs root and smbd (apt-get install samba)" >&2
  exit 77
fi

source "$(dirname "$0")/private-netns.sh"
rig_dir /tmp/tarnwick-smbd.XXXXXX
root=$rig && chmod 755 "$root"
# Every process of the rig has its config on its command line, also the RPC helpers
# (samba-dcerpcd, rpcd_*) that smbd starts on demand and that outlive it.
rig_cleanup() {
  local pids
  pids=$(pgrep -f -- "--configfile=$root/smb.conf") || return 0
  # shellcheck disable=SC2086
  kill $pids 2>/dev/null || :
}

# Every 127/8 address reaches lo, so rigs side by side each get a port 445 of their own.
listening() { ss -Hltn "src $1:445" 2>/dev/null | grep -q .; }
host=127.0.0.1
for _ in $(seq 50); do
  a="127.$((RANDOM % 200 + 20)).$((RANDOM % 250 + 1)).$((RANDOM % 250 + 1))"
  listening "$a" || { host=$a; break; }
done

mkdir -p "$root"/{private,lock,state,cache,pid,ncalrpc,log} "$root/shares"/{public,private,team}
printf 'Hello from the guest share\n' >"$root/shares/public/readme.txt"
printf 'Only for %s\n' "$user" >"$root/shares/private/secret.txt"
printf 'Team notes\n' >"$root/shares/team/notes.txt"
chmod -R a+rwX "$root/shares"
# The login maps to an existing system account other than the guest one: nothing is added
# to /etc/passwd, and a guest session never passes "valid users".
unix_user=daemon
printf '%s = %s\n' "$unix_user" "$user" >"$root/usermap"

section() { printf '[%s]\n' "$1"; shift; printf '  %s\n' "$@"; } # section NAME OPTION...
{
  section global "server role = standalone server" "interfaces = $host/8" \
    "bind interfaces only = yes" "smb ports = 445" "disable netbios = yes" \
    "multicast dns register = no" "server min protocol = SMB2_10" "private dir = $root/private" \
    "lock directory = $root/lock" "state directory = $root/state" "cache directory = $root/cache" \
    "pid directory = $root/pid" "ncalrpc dir = $root/ncalrpc" "log file = $root/log/log.%m" \
    "logging = file" "log level = 1 auth_audit:3" "username map = $root/usermap" \
    "passdb backend = tdbsam:$root/private/passdb.tdb" "map to guest = Bad User" \
    "guest account = nobody" \
    "load printers = no" "printing = bsd" "printcap name = /dev/null" "disable spoolss = yes"
  guest="guest ok = yes" writable="read only = no" nobody="force user = nobody"
  section Public "path = $root/shares/public" "$guest" "$writable" "$nobody"
  section Private "path = $root/shares/private" "valid users = $unix_user" "$writable" "$nobody" \
    "access based share enum = yes"
  section "Team Docs" "path = $root/shares/team" "$guest" "$writable" "$nobody"
  for i in $(seq -w 1 "$extra"); do
    mkdir -p "$root/shares/extra$i"
    section "Extra$i" "path = $root/shares/extra$i" "$guest" "read only = yes"
  done
} >"$root/smb.conf"
[ -z "$extra_conf" ] || sed "s|@ROOT@|$root|g; s|@HOST@|$host|g" "$extra_conf" >>"$root/smb.conf"

printf '%s\n%s\n' "$password" "$password" \
  | smbpasswd -c "$root/smb.conf" -a -s "$unix_user" >"$root/log/smbpasswd.out" 2>&1 \
  || { cat "$root/log/smbpasswd.out" >&2; exit 1; }

smbd --foreground --configfile="$root/smb.conf" </dev/null >>"$root/log/smbd.out" 2>&1 &
wait_for 600 listening "$host" || {
  echo "smbd-rig: smbd did not start; its log:" >&2
  cat "$root/log/smbd.out" "$root"/log/log.* >&2 2>/dev/null || :
  exit 1
}

export TARNWICK_SMB_HOST=$host TARNWICK_SMB_USER=$user TARNWICK_SMB_PASSWORD=$password
export TARNWICK_SMB_ROOT=$root TARNWICK_SMB_PUBLIC=$root/shares/public
export TARNWICK_SMB_PRIVATE=$root/shares/private TARNWICK_SMB_TEAM=$root/shares/team
"$@"
