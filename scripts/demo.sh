#!/usr/bin/env bash
# Runs the main job on a generated sample.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target gridcarver-cli
./build/src/cli/gridcarver-cli --version
