#!/usr/bin/env bash
#   fake-tool.sh STATE_DIR TOOL_NAME [ARGS...]: one system tool in tests (see FakeToolRig).
# Per call N of TOOL (1-based), files in STATE_DIR pick the behaviour; TOOL.N.X beats TOOL.X:
#   TOOL.stdout / TOOL.stderr  printed as they are      TOOL.status  exit status (default 0)
#   TOOL.delay                 seconds to sleep first   TOOL.hook    bash sourced with the args
#   umount.busy                the mount stays, exit 16 ("Resource busy")
# Each call is recorded as TOOL.N.args (NUL-separated) and TOOL.N.stdin.
# STATE_DIR/mounttable is the shared mount table: "mount" prints it, "umount" removes the
# line of its mount point; hooks change it with mt_add LINE / mt_remove MOUNTPOINT.
set -u
state=$1 tool=$2
shift 2
exec 9>>"$state/.lock"
flock 9
n=$(($(cat "$state/$tool.count" 2>/dev/null || echo 0) + 1))
[ $# -gt 0 ] && printf '%s\0' "$@" >"$state/$tool.$n.args" || : >"$state/$tool.$n.args"
echo "$n" >"$state/$tool.count"
flock -u 9
cat >"$state/$tool.$n.stdin"

pick() { # pick X: the file of TOOL.N.X or TOOL.X that exists; fails when none does
  if [ -e "$state/$tool.$n.$1" ]; then echo "$state/$tool.$n.$1"
  elif [ -e "$state/$tool.$1" ]; then echo "$state/$tool.$1"
  else return 1; fi
}
mt_add() { flock 9; printf '%s\n' "$1" >>"$state/mounttable"; flock -u 9; }
mt_remove() {
  local found=1
  flock 9
  if grep -qF " on $1 (" "$state/mounttable" 2>/dev/null; then
    grep -vF " on $1 (" "$state/mounttable" >"$state/mounttable.new" || :
    mv "$state/mounttable.new" "$state/mounttable"
    found=0
  fi
  flock -u 9
  return $found
}

f=$(pick delay) && sleep "$(cat "$f")"
status=0
case "$tool" in
  umount) [ "${1:-}" = -f ] && shift
    if pick busy >/dev/null; then status=16; else mt_remove "${1:-}" || status=1; fi ;;
  rmdir) rmdir -- "$@" 2>/dev/null || status=1 ;;
  security) status=44 ;; # "The specified item could not be found in the keychain."
esac
f=$(pick hook) && source "$f"
if f=$(pick stdout); then
  cat "$f"
elif [ "$tool" = mount ] && [ -e "$state/mounttable" ]; then
  flock 9; cat "$state/mounttable"; flock -u 9
fi
f=$(pick stderr) && cat "$f" >&2
f=$(pick status) && status=$(cat "$f")
exit "$status"
