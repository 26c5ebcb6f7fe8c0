#!/usr/bin/env bash
# Runs a command inside a throwaway desktop session: a fresh HOME and XDG_RUNTIME_DIR, a
# private session bus (so GVFS and the Secret Service are D-Bus-activated inside it) and an
# unlocked GNOME Keyring. Everything it started ends with it.
#   session-env.sh COMMAND [ARGS...]
set -euo pipefail
export TARNWICK_SESSION_ROOT=$(mktemp -d /tmp/tarnwick-session.XXXXXX)
export HOME=$TARNWICK_SESSION_ROOT/home
export XDG_RUNTIME_DIR=$TARNWICK_SESSION_ROOT/run
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset DBUS_SESSION_BUS_ADDRESS GNOME_KEYRING_CONTROL

status=0
dbus-run-session -- bash -c '
  set -u
  # A keyring of our own in the foreground, so its pid is known and nothing outlives us;
  # the login keyring is created and unlocked with an empty password.
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
' session "$@" || status=$?
# FUSE mounts and daemons the session activated (gvfsd and friends) die with the bus;
# a FUSE mount point may linger, so unmount it before removing the tree.
if [ -d "$XDG_RUNTIME_DIR/gvfs" ]; then fusermount3 -u -z "$XDG_RUNTIME_DIR/gvfs" 2>/dev/null || :; fi
rm -rf "$TARNWICK_SESSION_ROOT" 2>/dev/null || :
exit $status
