#!/usr/bin/env bash
# The Run side by side with its peers, on 36,000 x 30,000 six-image scans (8 x 10 cm images) with
# 256 and 512 pixel tiles, uncompressed, LZW and Deflate. Every figure is the median of RUNS runs
# (default 3) with the scan in the page cache; the table gives the Run's time as a ratio of:
#   cp      copying the scan (uncompressed scans only)
#   decode  one single-threaded decode of every tile (TIFFReadEncodedTile loop reading the file,
#           bench/decode_tiles.cpp; bench/split_floor.sh sets the Run against the 2-thread decode)
#   vips    six `vips extract_area` calls told the six rectangles, writing uncompressed TIFFs
# and the Run with binning 2 as a ratio of the Run without, and the Run's peak resident memory.
# With --big it also splits a 100,000 x 60,000 scan (6 GB, uncompressed, written by the sample
# generator and removed afterwards) and reports its peak memory.
#
# Usage: bench/split_vs_peers.sh [--big] [build folder]   (needs about 7 GB free, 13 GB with --big)
set -euo pipefail
cd "$(dirname "$0")/.."
big=0
if [ "${1:-}" = "--big" ]; then big=1; shift; fi
build="${1:-build}"
runs="${RUNS:-3}"
./scripts/install-deps.sh
command -v vips >/dev/null || { apt-get install -y -q --no-install-recommends libvips-tools >/dev/null; }
samples="$build/bench/samples"
out="$samples/peer-output"
mkdir -p "$samples"
source bench/split_bench_common.sh

# Median wall time and peak memory (KiB) of RUNS runs of a command; `clean` runs before each run.
measure() { # name clean-command command...
  shift
  timed_runs "$@"
  median_time=$(median "${walls[@]}")
  peak_kib=$(largest "${peaks[@]}")
}

printf '%-18s %7s %7s %7s %7s %8s %8s %8s %8s %9s\n' scan run_s cp_s decode_s vips_s run/cp run/dec run/vips bin2/run peak_MiB
for tile in 256 512; do
  for compression in none lzw deflate; do
    scan="$samples/scan-36000x30000-t$tile-$compression-seed1.tif"
    if [ ! -f "$scan" ]; then
      "$make_scan" --tile-width "$tile" --tile-height "$tile" --compression "$compression" "$scan.part" \
        >"$scan.places" && mv "$scan.part" "$scan"
    fi
    cat "$scan" >/dev/null # into the page cache
    # Before each timed run: earlier outputs flushed, so no run shares the disk with another's writes,
    # and the scan read once more, so it is in the page cache whatever the kernel reclaimed meanwhile.
    clean="rm -rf '$out'; mkdir -p '$out'; sync; cat '$scan' >/dev/null"

    measure run "$clean" "$cli" split --quiet --output-dir "$out" "$scan"
    run_s=$median_time; run_peak=$peak_kib
    measure bin2 "$clean" "$cli" split --quiet --binning 2 --output-dir "$out" "$scan"
    bin_s=$median_time
    cp_s=-
    if [ "$compression" = none ]; then
      measure cp "$clean" cp "$scan" "$out/copy.tif"
      cp_s=$median_time
    fi
    measure decode "cat '$scan' >/dev/null" "$decode" "$scan"
    decode_s=$median_time
    # The generator prints "image k: x X y Y width W height H" for every image.
    extracts=$(awk -v scan="$scan" -v out="$out" '/^image/ {
        printf "vips extract_area \"%s\" \"%s/vips_%d.tif\" %d %d %d %d && ", scan, out, $2, $4, $6, $8, $10 }
        END { printf "true" }' "$scan.places")
    measure vips "$clean" sh -c "$extracts"
    vips_s=$median_time

    printf '%-18s %7s %7s %7s %7s %8s %8s %8s %8s %9d\n' "t$tile-$compression" "$run_s" "$cp_s" "$decode_s" "$vips_s" \
      "$(ratio "$run_s" "$cp_s")" "$(ratio "$run_s" "$decode_s")" "$(ratio "$run_s" "$vips_s")" \
      "$(ratio "$bin_s" "$run_s")" $((run_peak / 1024))
  done
done
rm -rf "$out"

if [ "$big" = 1 ]; then
  scan="$samples/scan-100000x60000-t512-none.tif"
  "$make_scan" --width 100000 --height 60000 --tile-width 512 --tile-height 512 "$scan" >/dev/null
  mkdir -p "$out"
  /usr/bin/time -f "%e %M" -o "$samples/time.txt" "$cli" split --quiet --output-dir "$out" "$scan" >/dev/null
  read -r t m <"$samples/time.txt"
  echo "100000 x 60000 (512 tiles, uncompressed, $(ls "$out" | wc -l) images written): $t s, peak $((m / 1024)) MiB"
  rm -rf "$out" "$scan"
fi
