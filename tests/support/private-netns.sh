#!/usr/bin/env bash
#   private-netns.sh COMMAND [ARGS...]
# Runs COMMAND in fresh network, mount and PID namespaces with only "lo", up: avahi sees only
# its own services, a Samba listing reaches no real server, /run/avahi-daemon and /run/samba
# become private, and as PID 1 of its namespace the script takes every daemon it started
# with it when it dies, even by SIGKILL. Needs root (or password-less sudo). Sourced, it gives
# the rigs enter_private_netns "$@" (re-runs the caller so; nested rigs share the outermost
# one's namespaces), rig_dir and wait_for.

enter_private_netns() {
  if [ -n "${TARNWICK_NETNS:-}" ]; then
    ip link set lo up 2>/dev/null || :
    # A name cache of our own, or a .local name that led to an earlier run's server would.
    if [ $$ -eq 1 ]; then mkdir -p /run/samba && mount -t tmpfs -o mode=0755 tmpfs /run/samba; fi
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

# rig_dir [TEMPLATE]: makes a temp dir, $rig. At exit, also on SIGINT/SIGTERM, the caller's
# rig_cleanup runs (when defined), the background jobs are stopped and the dir is removed.
rig_dir() {
  rig=$(mktemp -d ${1:+"$1"})
  trap 'declare -F rig_cleanup >/dev/null && rig_cleanup || :
    kill $(jobs -p) 2>/dev/null || :; wait; rm -rf "$rig" 2>/dev/null || :' EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
}

# wait_for TRIES COMMAND...: true once COMMAND succeeds, retried every 50 ms.
wait_for() {
  local tries=$1
  shift
  for _ in $(seq "$tries"); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  return 1
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  enter_private_netns "$@"
  "$@"
fi
