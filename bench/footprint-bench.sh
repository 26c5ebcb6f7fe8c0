#!/usr/bin/env bash
# Idle footprint of the tray program next to gigolo (the GVFS mount manager a user would
# otherwise pick), in one run: a private network namespace, an Xvfb screen with an XEmbed
# tray (trayer), six configured servers none of which is reachable. Per round and program:
# RSS and PSS after 40 s, CPU (own and reaped children, 10-ms ticks) over the first 20 s and
# the next 20 s; for Tarnwick also RSS after the popover was opened and closed, and the time
# from exec to its item registered with a StatusNotifierWatcher. Prints medians and ratios.
# A measurement, never a pass/fail test.
#   bench/footprint-bench.sh [ROUNDS [BUILD_DIR]]
# (TARNWICK_BENCH_PREFIX, if set, goes before Tarnwick's command: "env MALLOC_ARENA_MAX=8")
# (default 3 rounds; without BUILD_DIR builds RelWithDebInfo in build-rel)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}
build=$(realpath "${2:-build-rel}")
if [ "${TARNWICK_BENCH_STAGE:-}" != inside ]; then
  bash scripts/install-deps.sh bench
  if [ -z "${2:-}" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWICK_BUILD_TESTS=OFF >/dev/null
    cmake --build "$build" --target tarnwick sni_watcher_stand_in bare_qt_tray | tail -1
  fi
  mkdir -p "$build/no-services"
  export TARNWICK_BENCH_STAGE=inside
  exec tests/support/private-netns.sh tests/support/with-private-system-bus.sh \
    "$build/no-services" tests/support/session-env.sh tests/support/with-x11-desktop.sh \
    "$PWD/bench/footprint-bench.sh" "$rounds" "$build"
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

# Resident KiB per mapped file ([heap], [anon] and the like kept apart), from the newest round.
by_mapping() {
  awk '/^[0-9a-f]+-[0-9a-f]+ / {name = (NF >= 6) ? $6 : "[anon]"} $1 == "Rss:" {rss[name] += $2}
       END {for (n in rss) if (rss[n] > 0) print rss[n], n}' "/proc/$1/smaps"
}

# measure NAME COMMAND...: appends "rss pss cpu0-20 cpu20-40 rss-after-use" to $work/NAME.
measure() {
  local name=$1 pid t20 t40 rss pss anon used="" used_pss="" used_anon=""
  shift
  "$@" >"$work/$name.log" 2>&1 &
  pid=$!
  sleep 20
  t20=$(ticks "$pid")
  sleep 20
  t40=$(ticks "$pid")
  rss=$(kib "$pid" Rss) pss=$(kib "$pid" Pss) anon=$(kib "$pid" Anonymous)
  by_mapping "$pid" >"$work/$name.idle-maps"
  if [ "$name" = tarnwick ]; then
    # A second start hands over to the first, which opens its popover; Escape closes it.
    "$@" >/dev/null 2>&1 || :
    sleep 2
    xdotool key Escape
    sleep 3
    used=$(kib "$pid" Rss) used_pss=$(kib "$pid" Pss) used_anon=$(kib "$pid" Anonymous)
    by_mapping "$pid" >"$work/$name.used-maps"
  fi
  kill "$pid"
  wait "$pid" 2>/dev/null || :
  echo "$rss $pss $t20 $((t40 - t20)) ${used:-0} $anon ${used_pss:-0} ${used_anon:-0}" \
    >>"$work/$name"
}

# start-up: exec to the item registered with the watcher, warm (after the rounds above).
startup() {
  "$build/bench/sni_watcher_stand_in" >"$work/watcher.out" &
  local watcher=$! start pid
  sleep 1
  for _ in 1 2 3 4 5; do
    local seen
    seen=$(wc -l <"$work/watcher.out")
    start=$(date +%s%N)
    "$build/app/tarnwick" --settings "$work/tarnwick.conf" >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 400); do [ "$(wc -l <"$work/watcher.out")" -gt "$seen" ] && break; sleep 0.01; done
    echo $((($(tail -n1 "$work/watcher.out" | cut -d' ' -f1) - start) / 1000000)) >>"$work/startup"
    kill "$pid" && wait "$pid" 2>/dev/null || :
  done
  kill "$watcher"
}

tarnwick_cmd=(${TARNWICK_BENCH_PREFIX:-} "$build/app/tarnwick" --settings "$work/tarnwick.conf")
for round in $(seq "$rounds"); do
  if [ $((round % 2)) = 1 ]; then
    measure tarnwick "${tarnwick_cmd[@]}"
    measure gigolo gigolo --new-instance
  else
    measure gigolo gigolo --new-instance
    measure tarnwick "${tarnwick_cmd[@]}"
  fi
  measure bare "$build/bench/bare_qt_tray"
done
startup

median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
col() { cut -d' ' -f"$2" "$work/$1" | median; }
mb() { awk -v k="$1" 'BEGIN {printf "%.1f MB", k / 1024}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", (b > 0) ? a / b : 0}'; }
kind=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt")
echo "footprint, medians of $rounds rounds ($kind build, Qt $(qtpaths6 --qt-version 2>/dev/null || echo 6))"
printf '%-24s %10s %10s %10s %8s %8s\n' "" Tarnwick gigolo "bare Qt" "/gigolo" "/bare"
for i in 1 2; do
  label=$([ $i = 1 ] && echo "RSS after 40 s" || echo "PSS after 40 s")
  printf '%-24s %10s %10s %10s %8s %8s\n' "$label" "$(mb "$(col tarnwick $i)")" \
    "$(mb "$(col gigolo $i)")" "$(mb "$(col bare $i)")" \
    "$(ratio "$(col tarnwick $i)" "$(col gigolo $i)")" "$(ratio "$(col tarnwick $i)" "$(col bare $i)")"
done
ms() { awk -v t="$1" 'BEGIN {printf "%d ms", t * 10}'; }
printf '%-24s %10s %10s %10s\n' "CPU, first 20 s" "$(ms "$(col tarnwick 3)")" \
  "$(ms "$(col gigolo 3)")" "$(ms "$(col bare 3)")"
printf '%-24s %10s %10s %10s\n' "CPU, next 20 s (idle)" "$(ms "$(col tarnwick 4)")" \
  "$(ms "$(col gigolo 4)")" "$(ms "$(col bare 4)")"
printf '%-24s %10s %10s %10s\n' "Anonymous after 40 s" "$(mb "$(col tarnwick 6)")" \
  "$(mb "$(col gigolo 6)")" "$(mb "$(col bare 6)")"
# After use: library and font pages, clean and shared with every other Qt program, and the
# process's own anonymous memory, which only it holds.
printf '%-24s %10s\n' "RSS after popover use" "$(mb "$(col tarnwick 5)")"
printf '%-24s %10s\n' "PSS after popover use" "$(mb "$(col tarnwick 7)")"
printf '%-24s %10s\n' "Anonymous after use" "$(mb "$(col tarnwick 8)")"
printf '%-24s %7s ms\n' "exec to registered item" "$(median <"$work/startup")"
# Where the difference goes, last round: Tarnwick idle against the bare tray, and what use added.
diff_maps() {
  awk 'NR == FNR {a[$2] = $1; next} {b[$2] = $1}
       END {for (n in b) if (b[n] - a[n] >= 32 || a[n] - b[n] >= 32) printf "%+8d KiB  %s\n", b[n] - a[n], n;
            for (n in a) if (!(n in b) && a[n] >= 32) printf "%+8d KiB  %s\n", -a[n], n}' "$1" "$2" |
    sort -rn | head -n 12
}
echo "Tarnwick idle minus bare Qt tray, by mapping:"
diff_maps "$work/bare.idle-maps" "$work/tarnwick.idle-maps"
echo "Tarnwick after popover use minus idle, by mapping:"
diff_maps "$work/tarnwick.idle-maps" "$work/tarnwick.used-maps"
