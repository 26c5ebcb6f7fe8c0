#!/usr/bin/env bash
# A throwaway Samba server on one loopback address, for tests and the demo.
#   smbd-rig.sh [--user NAME] [--password SECRET] [--extra-shares N] [--extra-conf FILE]
#               COMMAND [ARGS...]
# Starts smbd with a config in a temp dir, bound to a free 127.x.y.z address on port 445,
# with three shares, runs COMMAND, and stops smbd and removes the tree when it ends (also
# on failure or a signal). COMMAND sees:
#   TARNWICK_SMB_HOST        the address smbd listens on
#   TARNWICK_SMB_USER/_PASSWORD   the login of the password share
#   TARNWICK_SMB_ROOT        the rig's directory; the shares live in $TARNWICK_SMB_ROOT/shares
#   TARNWICK_SMB_PUBLIC, TARNWICK_SMB_PRIVATE, TARNWICK_SMB_TEAM   the shares' directories
#   TARNWICK_SMB_PIDFILE     smbd's pid file (tests stop the server through it)
#   TARNWICK_SMB_START       a command that starts smbd again after a test stopped it
# Shares: "Public" (guest), "Private" (only the login above, and hidden from everybody else
# in share listings), "Team Docs" (guest), and with --extra-shares N the guest shares "Extra1"
# to "ExtraN" (numbers zero-padded to one width), for benchmarks with many mounts.
# --extra-conf FILE appends an smb.conf fragment in which @ROOT@ stands for the rig's directory
# (tests/support/listing-shares.conf: the shares the share-listing tests expect).
# Wrapped in private-netns.sh it runs where no other server listens and no route leads out.
# smbd needs root (it switches to the logged-in user); without it the rig exits with 77,
# which the tests report as skipped.
set -euo pipefail

user=tarnwick
password='s3cret:pass@word'
extra=0
extra_conf=""
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
[ $# -gt 0 ] || { echo "usage: $0 [--user NAME] [--password SECRET] COMMAND [ARGS...]" >&2; exit 2; }

if [ "$(id -u)" -ne 0 ] || ! command -v smbd >/dev/null; then
  echo "smbd-rig: needs root and smbd (apt-get install samba)" >&2
  exit 77
fi

root=$(mktemp -d /tmp/tarnwick-smbd.XXXXXX)
chmod 755 "$root"
smbd_pid=""
# Every process of this rig carries its config path on its command line: smbd, and the
# RPC helpers (samba-dcerpcd, rpcd_*) that smbd starts on demand and that outlive it.
rig_pids() {
  local p
  for p in /proc/[0-9]*; do
    tr '\0' ' ' 2>/dev/null <"$p/cmdline" | grep -qF -- "--configfile=$root/smb.conf" \
      && echo "${p#/proc/}"
  done
  return 0
}
cleanup() {
  if [ -s "$root/smbd.pid" ]; then kill "$(cat "$root/smbd.pid")" 2>/dev/null || :; fi
  if [ -n "$smbd_pid" ]; then kill "$smbd_pid" 2>/dev/null || :; wait "$smbd_pid" 2>/dev/null || :; fi
  local pids
  pids=$(rig_pids)
  # shellcheck disable=SC2086
  [ -z "$pids" ] || kill $pids 2>/dev/null || :
  rm -rf "$root"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# A loopback address no other rig uses: every 127.0.0.0/8 address reaches lo, so rigs
# running side by side each get their own port 445.
pick_address() {
  local a
  for _ in $(seq 50); do
    a="127.$((RANDOM % 200 + 20)).$((RANDOM % 250 + 1)).$((RANDOM % 250 + 1))"
    if ! ss -Hltn "src $a:445" 2>/dev/null | grep -q .; then echo "$a"; return; fi
  done
  echo 127.0.0.1
}
host=$(pick_address)

mkdir -p "$root"/{private,lock,state,cache,pid,ncalrpc,log} "$root/shares"/{public,private,team}
printf 'Hello from the guest share\n' >"$root/shares/public/readme.txt"
printf 'Only for %s\n' "$user" >"$root/shares/private/secret.txt"
printf 'Team notes\n' >"$root/shares/team/notes.txt"
chmod -R a+rwX "$root/shares"

# The Unix account behind the login. An existing system account other than the guest
# account is mapped to the rig's user name, so nothing is added to /etc/passwd and a guest
# session never passes "valid users".
unix_user=daemon
printf '%s = %s\n' "$unix_user" "$user" >"$root/usermap"

cat >"$root/smb.conf" <<EOF
[global]
  workgroup = WORKGROUP
  server role = standalone server
  interfaces = $host/8
  bind interfaces only = yes
  smb ports = 445
  disable netbios = yes
  multicast dns register = no
  server min protocol = SMB2_10
  private dir = $root/private
  lock directory = $root/lock
  state directory = $root/state
  cache directory = $root/cache
  pid directory = $root/pid
  ncalrpc dir = $root/ncalrpc
  log file = $root/log/log.%m
  logging = file
  log level = 1 auth_audit:3
  passdb backend = tdbsam:$root/private/passdb.tdb
  username map = $root/usermap
  map to guest = Bad User
  guest account = nobody
  load printers = no
  printing = bsd
  printcap name = /dev/null
  disable spoolss = yes
  obey pam restrictions = no
  unix password sync = no
  restrict anonymous = 0
[Public]
  path = $root/shares/public
  guest ok = yes
  read only = no
  force user = nobody
[Private]
  path = $root/shares/private
  valid users = $unix_user
  read only = no
  force user = nobody
  access based share enum = yes
[Team Docs]
  path = $root/shares/team
  guest ok = yes
  read only = no
  force user = nobody
EOF
for i in $(seq -w 1 "$extra"); do
  mkdir -p "$root/shares/extra$i"
  printf '[Extra%s]\n  path = %s\n  guest ok = yes\n  read only = yes\n' "$i" "$root/shares/extra$i" \
    >>"$root/smb.conf"
done
[ -z "$extra_conf" ] || sed "s|@ROOT@|$root|g" "$extra_conf" >>"$root/smb.conf"

if ! printf '%s\n%s\n' "$password" "$password" \
    | smbpasswd -c "$root/smb.conf" -a -s "$unix_user" >"$root/log/smbpasswd.out" 2>&1; then
  cat "$root/log/smbpasswd.out" >&2
  exit 1
fi

start_smbd() {
  smbd --foreground --configfile="$root/smb.conf" </dev/null \
      >>"$root/log/smbd.out" 2>&1 &
  smbd_pid=$!
  echo "$smbd_pid" >"$root/smbd.pid"
  for _ in $(seq 100); do
    ss -Hltn "src $host:445" 2>/dev/null | grep -q . && return 0
    kill -0 "$smbd_pid" 2>/dev/null || break
    sleep 0.05
  done
  echo "smbd-rig: smbd did not start; its log:" >&2
  cat "$root/log/smbd.out" "$root"/log/log.* >&2 2>/dev/null || :
  return 1
}
start_smbd

# A restart helper for tests that stop the server on purpose.
cat >"$root/start-smbd" <<EOF
#!/usr/bin/env bash
smbd --foreground --configfile="$root/smb.conf" </dev/null \\
    >>"$root/log/smbd.out" 2>&1 &
echo \$! >"$root/smbd.pid"
for _ in \$(seq 100); do ss -Hltn "src $host:445" | grep -q . && exit 0; sleep 0.05; done
exit 1
EOF
chmod +x "$root/start-smbd"

export TARNWICK_SMB_HOST=$host TARNWICK_SMB_USER=$user TARNWICK_SMB_PASSWORD=$password
export TARNWICK_SMB_ROOT=$root TARNWICK_SMB_PIDFILE=$root/smbd.pid
export TARNWICK_SMB_START=$root/start-smbd
export TARNWICK_SMB_PUBLIC=$root/shares/public TARNWICK_SMB_PRIVATE=$root/shares/private
export TARNWICK_SMB_TEAM=$root/shares/team

status=0
"$@" || status=$?
exit $status
