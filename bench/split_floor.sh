#!/usr/bin/env bash
# The Run against its floor, in one run, on the 36,000 x 30,000 six-image sample scans (256 pixel
# tiles) uncompressed, LZW and Deflate, with the scan in the page cache:
#   floor   compressed scans: every tile decoded once on 2 threads, nothing written
#           (bench/decode_tiles.cpp, `decode-tiles --threads 2`); uncompressed: `cp` of the scan
#   run     `gridcarver-cli split` (six 8 x 10 cm MRC images) with --threads 1, 2 and 3
# Each figure is the median of RUNS runs (default 3); peak is the largest resident memory of the
# Run's runs. The table gives wall and CPU (user + system) seconds, the Run's ratios to the floor's,
# and the peak memory at each --threads. The CPU model and the load before and after are printed:
# wall-clock ratios mean something only on a quiet machine (load well below the core count).
#
# Usage: bench/split_floor.sh [build folder]   (SAMPLES=folder to use scans generated elsewhere;
# about 5 GB free for the samples and the outputs)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
runs="${RUNS:-3}"
samples="${SAMPLES:-$build/bench/samples}"
out="$samples/floor-output"
mkdir -p "$samples"
source bench/split_bench_common.sh

# Medians of RUNS runs of a command (wall and CPU seconds) and its largest peak memory (KiB);
# `clean` runs before each run, untimed.
measure() { # clean-command command...
  timed_runs "$@"
  median_wall=$(median "${walls[@]}")
  median_cpu=$(median "${cpus[@]}")
  peak_kib=$(largest "${peaks[@]}")
}

echo "CPU: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores; load before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-8s %-7s %8s %8s %8s %8s %8s %9s %9s %9s\n' scan floor floor_s floor_cpu threads run_s run_cpu run/floor cpu/floor peak_MiB
for compression in none lzw deflate; do
  scan="$samples/scan-36000x30000-t256-$compression-seed1.tif"
  if [ ! -f "$scan" ]; then
    "$make_scan" --compression "$compression" "$scan.part" >/dev/null && mv "$scan.part" "$scan"
  fi
  # Before each timed run: earlier outputs removed and flushed, and the scan read once more, so it is
  # in the page cache whatever the kernel reclaimed meanwhile.
  clean="rm -rf '$out'; mkdir -p '$out'; sync; cat '$scan' >/dev/null"
  if [ "$compression" = none ]; then
    floor=cp
    measure "$clean" cp "$scan" "$out/copy.tif"
  else
    floor=decode2
    measure "$clean" "$decode" --threads 2 "$scan"
  fi
  floor_wall=$median_wall; floor_cpu=$median_cpu
  for threads in 1 2 3; do
    measure "$clean" "$cli" split --quiet --threads "$threads" --output-dir "$out" "$scan"
    printf '%-8s %-7s %8s %8s %8s %8s %8s %9s %9s %9d\n' "$compression" "$floor" "$floor_wall" "$floor_cpu" \
      "$threads" "$median_wall" "$median_cpu" "$(ratio "$median_wall" "$floor_wall")" \
      "$(ratio "$median_cpu" "$floor_cpu")" $((peak_kib / 1024))
  done
done
rm -rf "$out"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg) (a load near or above $(nproc) makes the wall-clock ratios meaningless)"
echo "Goals: Deflate and LZW run/floor <= 1.15, uncompressed run/cp <= 1.2, peak <= 100 MiB at every --threads."
