#!/usr/bin/env bash
# pick --auto on one Run output of the 8 x 10 cm size (11,625 x 14,300 pixels, an 8-bit MRC file):
# a one-image sample scan is made and split once, then `pick IMAGE --auto --diameter 120:250
# --pixel-size 2 --dry-run` runs RUNS times (default 3). Prints the median wall and CPU (user +
# system) seconds, the largest peak memory, and the peak against 4 x the image's 8-bit size. The load
# before and after is printed: wall-clock times mean something only on a quiet machine; CPU time is
# the steadier figure on a busy one.
#
# Usage: bench/suggest_picks_run_output.sh [build folder]   (SAMPLES=folder to reuse a sample)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
runs="${RUNS:-3}"
[ -d "$build" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target gridcarver-cli gridcarver-make-scan >/dev/null

cli="$build/src/cli/gridcarver-cli"
samples="${SAMPLES:-$build/bench/samples}"
mkdir -p "$samples"
image="$samples/pick-run-output/pick-run-output_1.mrc"
if [ ! -f "$image" ]; then
  "$build/tools/gridcarver-make-scan" --images 1 "$samples/pick-run-output.tif" >/dev/null
  "$cli" split --images 1 --quiet --output-dir "$samples/pick-run-output" "$samples/pick-run-output.tif" >/dev/null
  rm -f "$samples/pick-run-output.tif"
fi

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
walls=() cpus=() peaks=()
for ((i = 0; i < runs; i++)); do
  rm -f "$samples"/pick-run-output/pick-run-output_1_picks.*
  # Status 3 (no particles on a sample scan without any) is a finished search.
  /usr/bin/time -f "%e %U %S %M" -o "$samples/time.txt" "$cli" pick "$image" --auto --diameter 120:250 \
    --pixel-size 2 --dry-run >/dev/null 2>&1 || [ $? -eq 3 ] || { echo "pick --auto failed" >&2; exit 1; }
  # A status other than 0 puts a line of its own before the figures.
  read -r wall user system peak < <(tail -n 1 "$samples/time.txt")
  walls+=("$wall"); cpus+=("$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')"); peaks+=("$peak")
done
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
peak=$(printf '%s\n' "${peaks[@]}" | sort -g | tail -1)
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "11625 x 14300 MRC, $runs runs: wall $(median "${walls[@]}") s, CPU $(median "${cpus[@]}") s," \
  "peak $((peak / 1024)) MiB = $(awk -v p="$peak" 'BEGIN { printf "%.2f", p * 1024 / (11625 * 14300) }') x the 8-bit size (goal: 4 s, 4 x)"
