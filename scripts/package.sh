#!/usr/bin/env bash
# Builds the Debian package gridcarver_<version>_amd64.deb: the two programs, the sample-scan
# generator, the manual pages, the desktop entry, the icon and the user guide.
# Usage: scripts/package.sh [build folder]   (default build; the package is written into it)
# A folder not configured yet is configured without tests and benchmarks; an existing one is used
# as it is configured (it must build the desktop program).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

build="${1:-build}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DGRIDCARVER_BUILD_TESTS=OFF -DGRIDCARVER_BUILD_BENCH=OFF
else
  cmake -S . -B "$build"
fi
if ! grep -q '^GRIDCARVER_BUILD_DESKTOP:BOOL=ON' "$build/CMakeCache.txt"; then
  echo "package.sh: $build does not build the desktop program (GRIDCARVER_BUILD_DESKTOP=OFF)" >&2
  exit 1
fi
cmake --build "$build"
rm -f "$build"/gridcarver_*.deb
(cd "$build" && cpack -G DEB)
ls -l "$build"/gridcarver_*.deb
