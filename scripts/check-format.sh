#!/usr/bin/env bash
# Fails when a C++ source or header of the project is not formatted as .clang-format says.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "format: every source as .clang-format says"
