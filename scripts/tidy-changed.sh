#!/usr/bin/env bash
# Runs clang-tidy (.clang-tidy: the naming of new code and the bugprone, performance and modernize
# checks) on the lines of C++ files that differ from the base branch (default main; TIDY_BASE
# overrides), so the system's own names and idioms elsewhere stay as they are. On the base branch
# itself the lines of its last commit are checked (the first parent's diff), so a clean clone of main
# checks what the latest change brought. Needs a configured build folder with compile_commands.json
# (default build).
# Usage: scripts/tidy-changed.sh [BUILD_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
base="${TIDY_BASE:-main}"
if [ ! -f "$build/compile_commands.json" ]; then
  echo "tidy: no $build/compile_commands.json; configure the build first" >&2
  exit 2
fi
if ! merge_base=$(git merge-base "$base" HEAD 2>/dev/null); then
  echo "tidy: no branch $base to compare with; nothing checked"
  exit 0
fi
if [ "$merge_base" = "$(git rev-parse HEAD)" ]; then
  if ! merge_base=$(git rev-parse --verify -q 'HEAD^1'); then
    echo "tidy: HEAD has no parent; nothing checked"
    exit 0
  fi
fi
tidy_diff=$(command -v clang-tidy-diff || command -v clang-tidy-diff-14.py || true)
if [ -z "$tidy_diff" ]; then
  echo "tidy: clang-tidy-diff not found" >&2
  exit 2
fi
# Committed and uncommitted changes alike, sources of the program only.
report=$(git diff -U0 "$merge_base" -- 'src/*.cpp' 'src/*.h' 'tools/*.cpp' |
  "$tidy_diff" -p1 -path "$build" -quiet -extra-arg=-w 2>&1 || true)
problems=$(grep -E '^[^ ]+:[0-9]+:[0-9]+: (warning|error):' <<<"$report" || true)
if [ -n "$problems" ]; then
  echo "$report"
  echo "tidy: $(wc -l <<<"$problems") problem(s) in changed lines" >&2
  exit 1
fi
echo "tidy: the changed lines name things as .clang-tidy says"
