#!/usr/bin/env bash
# Idle footprint of the tray program next to gigolo (the GVFS mount manager a user would
# otherwise pick), in one run: a private network namespace, an Xvfb screen with an XEmbed
# tray (trayer), six configured servers none of which is reachable. Per round and program:
# RSS and PSS after 40 s, CPU (own and reaped children, 10-ms ticks) over the first 20 s and
# the next 20 s; for Tarnwick also RSS after the popover was opened and closed, and the time
# from exec to its item registered with a StatusNotifierWatcher. Prints medians and ratios.
# A measurement, never a pass/fail test.
#   bench/footprint-bench.sh [ROUNDS]        (default 3; builds RelWithDebInfo in build-rel)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}
build=$PWD/build-rel
if [ "${TARNWICK_BENCH_STAGE:-}" != inside ]; then
  bash scripts/install-deps.sh bench
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWICK_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" --target tarnwick sni_watcher_stand_in | tail -1
  mkdir -p "$build/no-services"
  export TARNWICK_BENCH_STAGE=inside
  exec tests/support/private-netns.sh tests/support/with-private-system-bus.sh \
    "$build/no-services" tests/support/session-env.sh tests/support/with-x11-desktop.sh \
    "$PWD/bench/footprint-bench.sh" "$rounds"
fi

trap 'kill $(jobs -p) 2>/dev/null || :' EXIT
work=$TARNWICK_SESSION_ROOT
# Six servers on addresses no route leads to in this namespace: every probe fails at once.
servers="" bookmarks=""
for i in 1 2 3 4 5 6; do
  servers+="${servers:+,}{\\\"id\\\":\\\"00000000-0000-4000-8000-00000000000$i\\\",\\\"displayName\\\":\\\"NAS $i\\\",\\\"host\\\":\\\"192.0.2.$i\\\",\\\"isEnabled\\\":true,\\\"shares\\\":[{\\\"id\\\":\\\"00000000-0000-4000-9000-00000000000$i\\\",\\\"name\\\":\\\"Media\\\",\\\"username\\\":\\\"\\\"}]}"
  bookmarks+=$'\n'"[NAS $i]"$'\n'"scheme=smb"$'\n'"host=192.0.2.$i"$'\n'"share=Media"$'\n'"autoconnect=1"$'\n'
done
printf '[General]\ntarnwick.servers="@ByteArray([%s])"\n' "$servers" >"$work/tarnwick.conf"
mkdir -p "$XDG_CONFIG_HOME/gigolo"
printf '[general]\nautoconnect_interval=60\n[ui]\nshow_trayicon=true\n' >"$XDG_CONFIG_HOME/gigolo/config"
printf '%s' "$bookmarks" >"$XDG_CONFIG_HOME/gigolo/bookmarks"

trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
sleep 1

ticks() { awk '{print $14 + $15 + $16 + $17}' "/proc/$1/stat"; }
kib() { awk -v k="$2:" '$1 == k {print $2}' "/proc/$1/smaps_rollup"; }

# measure NAME COMMAND...: appends "rss pss cpu0-20 cpu20-40 rss-after-use" to $work/NAME.
measure() {
  local name=$1 pid t20 t40 rss pss used=""
  shift
  "$@" >"$work/$name.log" 2>&1 &
  pid=$!
  sleep 20
  t20=$(ticks "$pid")
  sleep 20
  t40=$(ticks "$pid")
  rss=$(kib "$pid" Rss) pss=$(kib "$pid" Pss)
  if [ "$name" = tarnwick ]; then
    # A second start hands over to the first, which opens its popover; Escape closes it.
    "$@" >/dev/null 2>&1 || :
    sleep 2
    xdotool key Escape
    sleep 3
    used=$(kib "$pid" Rss)
  fi
  kill "$pid"
  wait "$pid" 2>/dev/null || :
  echo "$rss $pss $t20 $((t40 - t20)) ${used:-0}" >>"$work/$name"
}

# start-up: exec to the item registered with the watcher, warm (after the rounds above).
startup() {
  "$build/bench/sni_watcher_stand_in" >"$work/watcher.out" &
  local watcher=$! start pid
  sleep 1
  for _ in 1 2 3 4 5; do
    : >"$work/watcher.out"
    start=$(date +%s%N)
    "$build/app/tarnwick" --settings "$work/tarnwick.conf" >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 400); do [ -s "$work/watcher.out" ] && break; sleep 0.01; done
    echo $((($(cut -d' ' -f1 "$work/watcher.out") - start) / 1000000)) >>"$work/startup"
    kill "$pid" && wait "$pid" 2>/dev/null || :
  done
  kill "$watcher"
}

tarnwick_cmd=("$build/app/tarnwick" --settings "$work/tarnwick.conf")
for round in $(seq "$rounds"); do
  if [ $((round % 2)) = 1 ]; then
    measure tarnwick "${tarnwick_cmd[@]}"
    measure gigolo gigolo --new-instance
  else
    measure gigolo gigolo --new-instance
    measure tarnwick "${tarnwick_cmd[@]}"
  fi
done
startup

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
col() { cut -d' ' -f"$2" "$work/$1" | median; }
mb() { awk -v k="$1" 'BEGIN {printf "%.1f MB", k / 1024}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", (b > 0) ? a / b : 0}'; }
echo "footprint, medians of $rounds rounds (RelWithDebInfo, Qt $(qtpaths6 --qt-version 2>/dev/null || echo 6))"
printf '%-28s %12s %12s %8s\n' "" Tarnwick gigolo ratio
for i in 1 2; do
  label=$([ $i = 1 ] && echo "RSS after 40 s" || echo "PSS after 40 s")
  printf '%-28s %12s %12s %8s\n' "$label" "$(mb "$(col tarnwick $i)")" "$(mb "$(col gigolo $i)")" \
    "$(ratio "$(col tarnwick $i)" "$(col gigolo $i)")"
done
printf '%-28s %9s ms %9s ms\n' "CPU, first 20 s" "$(($(col tarnwick 3) * 10))" "$(($(col gigolo 3) * 10))"
printf '%-28s %9s ms %9s ms\n' "CPU, next 20 s (idle)" "$(($(col tarnwick 4) * 10))" "$(($(col gigolo 4) * 10))"
printf '%-28s %12s\n' "RSS after popover use" "$(mb "$(col tarnwick 5)")"
printf '%-28s %9s ms\n' "exec to registered item" "$(median <"$work/startup")"
