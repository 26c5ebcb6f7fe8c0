#!/usr/bin/env bash
# Runs the GVFS benchmarks in a throwaway session inside a private network namespace: a
# loopback Samba server with 20 extra guest shares, all mounted through GVFS, then the
# mount-table read with 20 mounts, the time from mountAll and from a network change to
# "mounted: true" against gio's own time, the time from an outside `gio mount -u` to the
# table without the share, and one cycle over 20 servers that drop every packet
# (10.99.0.0/24 routed into lo, where nothing answers).
#   bench/gvfs-bench.sh [BUILD_DIR]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
if [ "${TARNWICK_BENCH_STAGE:-}" != inside ]; then
  export TARNWICK_BENCH_STAGE=inside
  exec tests/support/private-netns.sh tests/support/session-env.sh \
    tests/support/smbd-rig.sh --extra-shares 20 \
    "$PWD/bench/gvfs-bench.sh" "$build" 2>/dev/null
fi
ip route add 10.99.0.0/24 dev lo
for i in $(seq -w 1 20); do
  gio mount -a "smb://$TARNWICK_SMB_HOST/Extra$i" >/dev/null 2>&1
done
"$build/bench/tarnwick_bench" --benchmark_filter='Gvfs'
