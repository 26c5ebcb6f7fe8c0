#!/usr/bin/env bash
# Sourced by avahi-env.sh, which calls
#   enter_private_netns "$@"
# first thing: it re-runs the calling script inside fresh network, mount and PID
# namespaces, with only a loopback interface that is up. Run as a wrapper of its own,
#   private-netns.sh COMMAND [ARGS...]
# it does the same for COMMAND (e.g. smbd-rig.sh for the share-listing tests).
#
# Why namespaces:
#  - avahi sees no real network, only its own services, and a Samba rig's listing cannot
#    reach a server of the machine or the network (a closed loopback port stays closed);
#  - avahi-daemon's fixed runtime directory (/run/avahi-daemon: pid file, socket) and Samba's
#    client name cache (/run/samba) can be replaced privately by mounts;
#  - the script is PID 1 of its namespace, so when it dies (even by SIGKILL on a ctest
#    time-out) the kernel kills every daemon it started: nothing outlives the test.
#
# Wrappers nest (avahi-env.sh smbd-rig.sh session-env.sh TEST): only the outermost one
# creates namespaces; inner ones see TARNWICK_NETNS and share them.
#
# Needs root (or password-less sudo) and util-linux unshare. Multicast on "lo" works for
# avahi inside the namespace (allow-interfaces=lo); no dummy or veth interface is needed.

enter_private_netns() {
  if [ -n "${TARNWICK_NETNS:-}" ]; then
    ip link set lo up 2>/dev/null || :
    # Once, in the namespace's first process: a name cache of Samba's clients of its own
    # (gencache.tdb), or a .local name that led to an earlier run's server would lead there.
    if [ $$ -eq 1 ]; then
      mkdir -p /run/samba && mount -t tmpfs -o mode=0755 tmpfs /run/samba
    fi
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

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  enter_private_netns "$@"
  "$@"
fi
