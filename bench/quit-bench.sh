#!/usr/bin/env bash
# Quit on a frozen server: a loopback Samba server with 6 guest shares, all mounted by
# `tarnwick --headless`; then every smbd process of the server is stopped (SIGSTOP) and
# Tarnwick gets SIGTERM. Prints the time from the signal to Tarnwick's exit and how many
# `gio` processes are left afterwards (goal: at most 5 s, none left). TARNWICK_BENCH_TRAY=1
# runs the tray application (offscreen) instead of --headless.
#   bench/quit-bench.sh [BUILD_DIR] [ROUNDS]     (default: build, 1)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
rounds=${2:-1}
if [ "${TARNWICK_BENCH_STAGE:-}" != inside ]; then
  export TARNWICK_BENCH_STAGE=inside
  exec tests/support/session-env.sh tests/support/smbd-rig.sh --extra-shares 6 \
    "$PWD/bench/quit-bench.sh" "$build" "$rounds" 2>/dev/null
fi

settings=$TARNWICK_SESSION_ROOT/tarnwick.conf
shares=""
for i in 1 2 3 4 5 6; do
  shares+="${shares:+,}{\\\"id\\\":\\\"00000000-0000-4000-8000-00000000000$i\\\",\\\"name\\\":\\\"Extra$i\\\",\\\"username\\\":\\\"\\\"}"
done
cat >"$settings" <<INI
[General]
tarnwick.servers="@ByteArray([{\"id\":\"00000000-0000-4000-8000-000000000000\",\"displayName\":\"Bench\",\"host\":\"$TARNWICK_SMB_HOST\",\"isEnabled\":true,\"shares\":[$shares]}])"
INI
mkdir -p "$HOME/.smb"
printf '[global]\n  client use kerberos = off\n' >"$HOME/.smb/smb.conf"

# The rig's smbd processes: the listener and one per client connection.
smbd_pids() {
  local p
  for p in /proc/[0-9]*; do
    tr '\0' ' ' 2>/dev/null <"$p/cmdline" | grep -qF -- "--configfile=$TARNWICK_SMB_ROOT/smb.conf" \
      && echo "${p#/proc/}"
  done
  return 0
}
# gio processes of this session (found through their environment).
session_gios() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(cat "$p/comm" 2>/dev/null)" = gio ] || continue
    tr '\0' '\n' 2>/dev/null <"$p/environ" | grep -qxF "HOME=$HOME" && echo "${p#/proc/}"
  done
  return 0
}

mounted_count() {
  timeout 5 gio mount -l 2>/dev/null | grep -c "smb://$TARNWICK_SMB_HOST/extra" || :
}

# One quit against the answering server (what a quit-time unmount costs when all is well),
# then ROUNDS against the frozen one.
for round in $(seq 0 "$rounds"); do
  log=$TARNWICK_SESSION_ROOT/tarnwick-$round.log
  mode=(--headless) label=headless
  if [ "${TARNWICK_BENCH_TRAY:-0}" = 1 ]; then
    mode=() label=tray
    export QT_QPA_PLATFORM=offscreen
  fi
  "$build/app/tarnwick" "${mode[@]}" --settings "$settings" --time-scale 0.1 >"$log" 2>&1 &
  tarnwick=$!
  # Mounted by this run or left by the last one: the count in GVFS's table decides.
  for _ in $(seq 600); do
    [ "$(mounted_count)" -ge 6 ] && break
    sleep 0.1
  done
  [ "$(mounted_count)" -ge 6 ] || { echo "not all shares mounted" >&2; cat "$log" >&2; exit 1; }
  server=answering
  if [ "$round" -gt 0 ]; then
    server=frozen
    # shellcheck disable=SC2046
    kill -STOP $(smbd_pids)
  fi
  start=$(date +%s.%N)
  kill -TERM "$tarnwick"
  wait "$tarnwick" || :
  end=$(date +%s.%N)
  printf '%s quit, 6 shares, %s server: %.2f s; gio processes left: %s; mounts left: %s\n' \
    "$label" "$server" "$(echo "$end - $start" | bc)" "$(session_gios | wc -l)" "$(mounted_count)"
  # shellcheck disable=SC2046
  kill -CONT $(smbd_pids)
  for _ in $(seq 100); do [ -z "$(session_gios)" ] && break; sleep 0.1; done
done
