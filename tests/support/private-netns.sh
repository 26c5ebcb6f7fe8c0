# Sourced by the service wrappers (smbd-env.sh, avahi-env.sh). Call
#   enter_private_netns "$@"
# first thing: it re-runs the calling script inside fresh network, mount and PID
# namespaces, with only a loopback interface that is up.
#
# Why namespaces:
#  - smbd can take 127.0.0.1:445 (the port smbclient, GVFS and the listers use) even while
#    another test's smbd holds it, and avahi sees no real network, only its own services;
#  - avahi-daemon's fixed runtime directory (/run/avahi-daemon: pid file, socket) and
#    /etc/hosts can be replaced privately by bind mounts;
#  - the script is PID 1 of its namespace, so when it dies (even by SIGKILL on a ctest
#    time-out) the kernel kills every daemon it started: nothing outlives the test.
#
# Wrappers nest (avahi-env.sh smbd-env.sh session-env.sh TEST): only the outermost one
# creates namespaces; inner ones see TARNWICK_NETNS and share them.
#
# Needs root (or password-less sudo) and util-linux unshare. Multicast on "lo" works for
# avahi inside the namespace (allow-interfaces=lo); no dummy or veth interface is needed.

enter_private_netns() {
  if [ -n "${TARNWICK_NETNS:-}" ]; then
    ip link set lo up 2>/dev/null || :
    return 0
  fi
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
      exec sudo -n --preserve-env "$BASH" "$0" "$@"
    fi
    echo "$(basename "$0"): needs root (or password-less sudo) for a private network namespace" >&2
    exit 1
  fi
  export TARNWICK_NETNS=1
  exec unshare --net --mount --pid --fork --kill-child --mount-proc --propagation private \
    "$BASH" "$0" "$@"
}

# stop_process PID [group]: SIGTERM, up to 2 s of grace, then SIGKILL; reaps it when it is
# ours. With "group", PID leads a process group (setsid) and the whole group is signalled.
stop_process() {
  local pid=$1 target=$1
  [ "${2:-}" = group ] && target=-$1
  kill -TERM -- "$target" 2>/dev/null || return 0
  for _ in $(seq 40); do
    process_alive "$pid" || break
    sleep 0.05
  done
  kill -KILL -- "$target" 2>/dev/null || :
  wait "$pid" 2>/dev/null || :
}

# process_alive PID: true while PID runs (an exited child waiting to be reaped is not).
process_alive() {
  local state
  # The state letter follows the command name, which may hold spaces: "(smbd: client)".
  state=$(sed -n 's/^.*) \(.\).*/\1/p' "/proc/$1/stat" 2>/dev/null) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}
