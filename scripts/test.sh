#!/usr/bin/env bash
# Installs the dependencies, builds everything and runs the whole test suite.
# Usage: scripts/test.sh [--sanitize] [build folder]
#   --sanitize  the Qt-free core and its tests built with the address and undefined-behaviour
#               sanitizers (default folder build-sanitize); any finding fails its test
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
# Guardrails first: no layer includes a higher one; every source formatted.
./scripts/check-layers.sh
./scripts/check-format.sh

if [ "${1:-}" = "--sanitize" ]; then
  build="${2:-build-sanitize}"
  export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGRIDCARVER_SANITIZE=ON -DGRIDCARVER_WERROR=ON \
    -DGRIDCARVER_BUILD_DESKTOP=OFF -DGRIDCARVER_BUILD_BENCH=OFF
else
  build="${1:-build}"
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGRIDCARVER_WERROR=ON
fi
cmake --build "$build"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
