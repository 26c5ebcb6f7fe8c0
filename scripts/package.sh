#!/usr/bin/env bash
# Builds the Debian package: a release build installed under /usr, packed by CPack, with
# Debian's hardening flags. Prints the path of the .deb.
# Usage: scripts/package.sh [BUILD_DIR]   (default: build-deb beside the sources)
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$src/build-deb}
"$src/scripts/install-deps.sh" build >&2
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cd "$src" # dpkg-buildflags maps the current directory out of the debug info

cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DTARNWICK_BUILD_TESTS=OFF -DTARNWICK_BUILD_BENCH=OFF \
  "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)" >&2
cmake --build "$build" -j"$(nproc)" >&2
rm -f "$build"/tarnwick_*.deb
(cd "$build" && cpack -G DEB >&2)
ls "$build"/tarnwick_*.deb
