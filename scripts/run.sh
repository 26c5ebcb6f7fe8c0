#!/usr/bin/env bash
# Installs what Tarnwick needs, builds it and starts it. Arguments go to tarnwick
# (try --help).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh run
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTARNWICK_BUILD_TESTS=OFF -DTARNWICK_BUILD_BENCH=OFF >/dev/null
cmake --build build-release
exec build-release/app/tarnwick "$@"
