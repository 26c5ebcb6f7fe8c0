#!/usr/bin/env bash
# Tarnwick on this machine, with nothing to set up: a throwaway Samba server on loopback with
# two shares ("Public" for guests, "Private" with a password kept in a throwaway keyring), a
# private desktop session with GVFS, and a settings file listing that server. Tarnwick mounts
# both shares at its first cycle (12 s after start, as after a login) and the demo shows where
# their files are. Everything the demo starts stops when it ends: press Enter, or Ctrl-C, or
# send the demo SIGTERM or SIGHUP.
#
#   scripts/demo.sh [--headless] [--once] [--fast] [--binary PATH]
#     --headless   no tray icon, even when $DISPLAY is set
#     --once       end as soon as both shares are mounted and shown
#     --fast       run Tarnwick's clock ten times faster (first cycle after 1.2 s)
#     --binary     the tarnwick executable (default: build-release/app/tarnwick, built if missing)
#
# Samba needs root; as another user the demo asks sudo for the server alone.
set -euo pipefail

demo_user=demo
demo_password=tarnwick-demo

if [ "${TARNWICK_DEMO_STAGE:-}" != inside ]; then
  cd "$(dirname "$0")/.."
  repo=$PWD
  headless=0 once=0 scale=1 binary=""
  while [ $# -gt 0 ]; do
    case "$1" in
      --headless) headless=1; shift ;;
      --once) once=1; shift ;;
      --fast) scale=0.1; shift ;;
      --binary) binary=$2; shift 2 ;;
      -h|--help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
      *) echo "demo: unknown option $1 (try --help)" >&2; exit 2 ;;
    esac
  done
  [ -n "${DISPLAY:-}" ] || headless=1
  if [ -z "$binary" ]; then
    binary=$repo/build-release/app/tarnwick
    if [ ! -x "$binary" ]; then
      bash scripts/install-deps.sh run
      echo "Building Tarnwick..."
      cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTARNWICK_BUILD_TESTS=OFF -DTARNWICK_BUILD_BENCH=OFF >/dev/null
      cmake --build build-release
    fi
  fi
  binary=$(realpath "$binary")
  for tool in smbd gio gnome-keyring-daemon secret-tool dbus-run-session fusermount3 ping; do
    command -v "$tool" >/dev/null || PATH=$PATH:/usr/sbin command -v "$tool" >/dev/null || {
      echo "demo: $tool is missing; scripts/install-deps.sh run installs it" >&2
      exit 1
    }
  done

  if [ "$(id -u)" -ne 0 ] && ! command -v sudo >/dev/null; then
    echo "demo: the demo's Samba server needs root; run it as root or install sudo" >&2
    exit 77
  fi

  # The services' own chatter (D-Bus activation, GVFS, Samba) goes to a log, shown on failure.
  log=$(mktemp /tmp/tarnwick-demo.XXXXXX.log)
  chmod 644 "$log"
  # The inner demo's pid, so that a signal to this process can end the demo in order: the
  # layers between (sudo, the Samba rig, dbus-run-session) do not all pass signals on.
  pidfile=$(mktemp /tmp/tarnwick-demo.XXXXXX.pid)
  export TARNWICK_DEMO_PIDFILE=$pidfile
  export TARNWICK_DEMO_STAGE=inside TARNWICK_DEMO_BINARY=$binary TARNWICK_DEMO_ONCE=$once
  export TARNWICK_DEMO_HEADLESS=$headless TARNWICK_DEMO_SCALE=$scale TARNWICK_DEMO_LOG=$log
  inside=("$repo/tests/support/session-env.sh" "$repo/scripts/demo.sh")
  rig=("$repo/tests/support/smbd-rig.sh" --user "$demo_user" --password "$demo_password")
  status=0
  # In the background (keeping the terminal as its input), so that this shell's traps run
  # at once; a foreground command would delay them until it ended.
  if [ "$(id -u)" -eq 0 ]; then
    "${rig[@]}" "${inside[@]}" <&0 2>>"$log" &
  else
    # Only smbd runs as root; the session, GVFS and Tarnwick run as you.
    keep=TARNWICK_SMB_HOST,TARNWICK_SMB_USER,TARNWICK_SMB_PASSWORD,TARNWICK_DEMO_STAGE
    keep=$keep,TARNWICK_DEMO_BINARY,TARNWICK_DEMO_ONCE,TARNWICK_DEMO_HEADLESS,TARNWICK_DEMO_SCALE
    keep=$keep,TARNWICK_DEMO_LOG,TARNWICK_DEMO_PIDFILE,DISPLAY,XAUTHORITY,WAYLAND_DISPLAY,PATH
    sudo --preserve-env="$keep" "${rig[@]}" \
      sudo -u "#$(id -u)" -g "#$(id -g)" --preserve-env="$keep" "${inside[@]}" \
      <&0 2>>"$log" &
  fi
  chain=$!
  stop_demo() {
    local inner
    inner=$(cat "$pidfile" 2>/dev/null || :)
    case "$inner" in
      '' | stop) echo stop >"$pidfile" ;; # not started yet: it stops as soon as it starts
      *) kill -TERM "$inner" 2>/dev/null || : ;;
    esac
  }
  trap stop_demo INT TERM HUP
  # wait returns early for every trapped signal; the chain then winds down and ends.
  while :; do
    wait "$chain" && status=0 || status=$?
    [ -d "/proc/$chain" ] || break
  done
  trap - INT TERM HUP
  rm -f "$pidfile"
  if [ "$status" -ne 0 ] && [ "$status" -ne 129 ] && [ "$status" -ne 130 ] &&
    [ "$status" -ne 143 ]; then
    echo "The demo failed (status $status). What the services said:" >&2
    tail -n 40 "$log" >&2
    echo "(whole log: $log)" >&2
    exit "$status"
  fi
  rm -f "$log"
  exit 0
fi

# --- Inside the throwaway session, next to the running smbd. -------------------------------
say() { printf '%s\n' "$*"; }
fail() {
  say "demo: $*"
  exit 1
}

host=$TARNWICK_SMB_HOST
settings=$TARNWICK_SESSION_ROOT/tarnwick.conf

# Samba's client library (in GVFS's SMB backend) tries Kerberos first and says so on
# standard output; there is no KDC here, so this session's client config leaves it out.
mkdir -p "$HOME/.smb"
printf '[global]\n  client use kerberos = off\n' >"$HOME/.smb/smb.conf"

# The login, stored the way a file manager does when "remember password" is ticked.
printf '%s' "$TARNWICK_SMB_PASSWORD" | secret-tool store --label="Tarnwick demo: $host" \
  xdg:schema org.gnome.keyring.NetworkPassword \
  user "$TARNWICK_SMB_USER" server "$host" protocol smb || fail "could not store the login"

# The server list as Tarnwick stores it: a JSON array inside the INI file.
cat >"$settings" <<EOF
[General]
tarnwick.servers="@ByteArray([{\"id\":\"7A1C0E52-5D6B-4E0A-9B7E-0D3C2F6A1B01\",\"displayName\":\"Demo server\",\"host\":\"$host\",\"isEnabled\":true,\"shares\":[{\"id\":\"7A1C0E52-5D6B-4E0A-9B7E-0D3C2F6A1B02\",\"name\":\"Public\",\"username\":\"\"},{\"id\":\"7A1C0E52-5D6B-4E0A-9B7E-0D3C2F6A1B03\",\"name\":\"Private\",\"username\":\"\"}]}])"
EOF

say "Demo server: Samba on $host with the shares Public (open to guests) and Private"
say "  (login '$TARNWICK_SMB_USER' kept in a throwaway GNOME Keyring)."
args=(--settings "$settings" --time-scale "$TARNWICK_DEMO_SCALE")
if [ "$TARNWICK_DEMO_HEADLESS" = 1 ]; then
  args=(--headless "${args[@]}")
  say "Starting Tarnwick (headless; its log follows)."
else
  say "Starting Tarnwick in your tray (its log follows)."
fi
if [ "$TARNWICK_DEMO_SCALE" = 1 ]; then
  say "Its first mount cycle comes 12 seconds after start, as after a login..."
fi

exec {out}< <(exec "$TARNWICK_DEMO_BINARY" "${args[@]}" 2>>"$TARNWICK_DEMO_LOG")
tarnwick=$!
stop_tarnwick() {
  if kill -0 "$tarnwick" 2>/dev/null; then
    # Tarnwick's own quit: it unmounts every SMB mount of the session.
    kill -TERM "$tarnwick" 2>/dev/null || :
    while kill -0 "$tarnwick" 2>/dev/null; do sleep 0.1; done
  fi
}
trap stop_tarnwick EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP
# The outer demo ends the demo through this process (see TARNWICK_DEMO_PIDFILE).
[ "$(cat "$TARNWICK_DEMO_PIDFILE")" != stop ] || exit 143
echo $$ >"$TARNWICK_DEMO_PIDFILE"

mounted=0
deadline=$((SECONDS + 60))
while [ "$mounted" -lt 2 ]; do
  left=$((deadline - SECONDS))
  [ "$left" -gt 0 ] || fail "the shares were not mounted within a minute"
  IFS= read -r -t "$left" -u "$out" line || fail "Tarnwick ended or went quiet"
  say "  | $line"
  case "$line" in
    *"[Public] mounted: true" | *"[Private] mounted: true") mounted=$((mounted + 1)) ;;
    *"] mounted: false") fail "a share could not be mounted" ;;
  esac
done
# Keep draining Tarnwick's output so its log writes never block.
cat <&"$out" | sed 's/^/  | /' &

say ""
say "Both shares are mounted through GVFS. Their files are here:"
shopt -s nullglob
for dir in "$XDG_RUNTIME_DIR"/gvfs/smb-share:*; do
  [ -d "$dir" ] || continue
  say "  $dir"
  for file in "$dir"/*; do say "      $(basename "$file"): $(head -c 60 "$file" 2>/dev/null | head -n 1)"; done
done
say ""

if [ "$TARNWICK_DEMO_ONCE" = 1 ]; then
  say "Stopping (--once)."
elif [ -t 0 ]; then
  say "Look at them from another terminal (as $(id -un)); press Enter (or Ctrl-C) to stop the demo."
  read -r _ || :
else
  say "Stop the demo with Ctrl-C."
  wait "$tarnwick" || :
fi
stop_tarnwick
say "Tarnwick has quit, unmounting the shares; the server and the session stop now."
