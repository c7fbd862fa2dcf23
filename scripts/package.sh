#!/usr/bin/env bash
# Builds the Debian package gridcarver_<version>-1_amd64.deb: the two programs, the sample-scan
# generator, the manual pages, the desktop entry, the icon, the user guide, the SLURM array job, the
# copyright file and the changelog. A new build folder is configured the way the distribution builds
# packages: Release code with the compiler and linker flags of dpkg-buildflags (hardening: fortified
# functions, stack protector, read-only relocations with immediate binding, PIE), no tests or
# benchmarks. An existing folder is used as it is configured (it must build the desktop program).
# Then lintian checks the package: --lintian fails on any error or warning.
# Usage: scripts/package.sh [--lintian] [build folder]   (default build-package)
set -euo pipefail
cd "$(dirname "$0")/.."
lintian=0
if [ "${1:-}" = --lintian ]; then lintian=1; shift; fi
./scripts/install-deps.sh

build="${1:-build-package}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  # CMake reads no CPPFLAGS: the preprocessor's (_FORTIFY_SOURCE) go with the compiler's.
  cppflags=$(dpkg-buildflags --get CPPFLAGS)
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_FLAGS="$cppflags $(dpkg-buildflags --get CFLAGS)" \
    -DCMAKE_CXX_FLAGS="$cppflags $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    -DGRIDCARVER_BUILD_TESTS=OFF -DGRIDCARVER_BUILD_BENCH=OFF ${GRIDCARVER_PACKAGE_CMAKE_ARGS:-}
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
if [ "$lintian" = 1 ]; then
  # Overrides, each with its reason, are in packaging/debian/lintian-overrides (in the package).
  lintian --fail-on error,warning --tag-display-limit 0 "$build"/gridcarver_*.deb
fi
