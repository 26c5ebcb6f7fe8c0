#!/usr/bin/env bash
#   session-env.sh COMMAND [ARGS...]
# Runs COMMAND in a throwaway desktop session: fresh HOME and XDG_RUNTIME_DIR under
# TARNWICK_SESSION_ROOT, a private session bus (GVFS and the Secret Service are activated
# on it) and an unlocked GNOME Keyring. Everything it started ends with it.
set -euo pipefail
source "$(dirname "$0")/private-netns.sh"
rig_dir /tmp/tarnwick-session.XXXXXX
export TARNWICK_SESSION_ROOT=$rig HOME=$rig/home XDG_RUNTIME_DIR=$rig/run
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset DBUS_SESSION_BUS_ADDRESS GNOME_KEYRING_CONTROL
# gvfsd and friends die with the bus, but a FUSE mount point may linger.
rig_cleanup() { [ ! -d "$rig/run/gvfs" ] || fusermount3 -u -z "$rig/run/gvfs" 2>/dev/null || :; }
dbus-run-session -- bash -c '
  set -u
  # In the foreground, so nothing outlives us; the login keyring gets an empty password.
  printf "\n" | gnome-keyring-daemon --foreground --unlock --components=secrets \
      >"$TARNWICK_SESSION_ROOT/keyring.env" 2>/dev/null &
  keyring=$!
  for _ in $(seq 100); do
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null \
        | grep -q "boolean true" && break
    sleep 0.05
  done
  status=0
  "$@" || status=$?
  kill "$keyring" 2>/dev/null || :
  wait "$keyring" 2>/dev/null || :
  exit $status
' session "$@"
