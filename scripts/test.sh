#!/usr/bin/env bash
# Installs everything the tests need, builds Tarnwick and runs every test.
#   scripts/test.sh                          all tests (Debug build in build/)
#   scripts/test.sh --sanitize address,undefined   core tests under ASan + UBSan
#   scripts/test.sh --sanitize thread              engine tests under TSan
#   scripts/test.sh -R REGEX                 only the tests whose name matches
# Services (private D-Bus buses, smbd, avahi-daemon, Xvfb) are started per test by the
# wrappers in tests/support/, so nothing has to run beforehand.
set -euo pipefail
cd "$(dirname "$0")/.."

sanitize=""
ctest_args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --sanitize) sanitize=$2; shift 2 ;;
    *) ctest_args+=("$1"); shift ;;
  esac
done

bash scripts/install-deps.sh test

cmake_args=(-G Ninja -DCMAKE_BUILD_TYPE=Debug)
case "$sanitize" in
  "") build=build ;;
  address,undefined)
    build=build-asan
    cmake_args+=(-DTARNWICK_CORE_ONLY=ON -DTARNWICK_SANITIZE=address,undefined -DTARNWICK_BUILD_BENCH=OFF)
    ctest_args+=(-L core)
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    ;;
  thread)
    build=build-tsan
    cmake_args+=(-DTARNWICK_CORE_ONLY=ON -DTARNWICK_SANITIZE=thread -DTARNWICK_BUILD_BENCH=OFF)
    ctest_args+=(-L engine)
    export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp"
    ;;
  *) echo "unknown sanitizer set: $sanitize" >&2; exit 2 ;;
esac

cmake -S . -B "$build" "${cmake_args[@]}" >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j2 "${ctest_args[@]}"
