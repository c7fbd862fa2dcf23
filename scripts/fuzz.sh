#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (address and undefined-behaviour sanitizers) in their own
# build folder and runs each for the given number of minutes; any finding fails the script.
# Usage: scripts/fuzz.sh [minutes per target, default 1] [build folder, default build-fuzz]
#
# Targets: bmp_decode_fuzzer, jpeg_read_fuzzer, tiff_read_fuzzer, mrc_read_fuzzer (the viewer's readers) and
# scan_split_fuzzer (the Run's scan checks, search and outputs on a small scan), coords_parse_fuzzer (pick
# --coords), plan_read_fuzzer (split --plan) and merge_part_fuzzer (a task's part in report --merge). Each starts from the
# seeds fuzz_seeds writes, plus the shared test images when ../shared/testdata is there, plus the
# inputs kept from earlier findings (tests/fuzz/<target>). Inputs are capped at 64 KiB. A finding is
# left as <build folder>/findings/<target>-crash-…: keep it (small) under tests/fuzz/<target>/, where
# the fuzz findings test replays it, once the fault is fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
minutes="${1:-1}"
build="${2:-build-fuzz}"
case "$minutes" in
  '' | *[!0-9]*) echo "usage: scripts/fuzz.sh [minutes] [build folder]" >&2; exit 2 ;;
esac
./scripts/install-deps.sh

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGRIDCARVER_FUZZ=ON \
  -DGRIDCARVER_BUILD_DESKTOP=OFF -DGRIDCARVER_BUILD_TESTS=OFF -DGRIDCARVER_BUILD_BENCH=OFF
targets=(bmp_decode_fuzzer jpeg_read_fuzzer tiff_read_fuzzer mrc_read_fuzzer scan_split_fuzzer coords_parse_fuzzer
  plan_read_fuzzer merge_part_fuzzer)
cmake --build "$build" --target fuzz_seeds "${targets[@]}"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$build/fuzz/fuzz_seeds" "$work/seeds"
findings="$build/findings"
mkdir -p "$findings"
shared=../shared/testdata
# The Run writes each found image (about 130 MB) and removes it again: in memory when /dev/shm has
# room for a few of them (a container's is often only 64 MB).
scratch="$work"
if [ -d /dev/shm ] && [ -w /dev/shm ] && [ "$(df -Pk /dev/shm | awk 'NR == 2 { print $4 }')" -ge 1048576 ]; then
  scratch="$(mktemp -d /dev/shm/gridcarver-fuzz-XXXXXX)"
fi
trap 'rm -rf "$work"; [ "$scratch" = "$work" ] || rm -rf "$scratch"' EXIT

failed=0
for target in "${targets[@]}"; do
  kind="${target%%_*}"
  seeds=("$work/seeds/$kind")
  # The readers' allocations are capped so that huge declared pictures cost no time; the Run's band
  # buffer (up to 128 MiB) is part of its normal work.
  options="allocator_may_return_null=1:max_allocation_size_mb=64"
  case "$kind" in
    bmp) [ -d "$shared/bmpsuite" ] && seeds+=("$shared/bmpsuite/g" "$shared/bmpsuite/q" "$shared/bmpsuite/b") ;;
    tiff) [ -d "$shared/libtiff-images" ] && seeds+=("$shared/libtiff-images") ;;
    scan) options="allocator_may_return_null=1" ;;
  esac
  [ -d "tests/fuzz/$target" ] && seeds+=("tests/fuzz/$target")
  corpus="$work/corpus/$target"
  mkdir -p "$corpus"
  echo "== $target: $minutes minute(s)"
  if ! TMPDIR="$scratch" ASAN_OPTIONS="$options" UBSAN_OPTIONS=print_stacktrace=1 \
      "$build/fuzz/$target" -max_total_time=$((minutes * 60)) -max_len=65536 -timeout=120 \
      -print_final_stats=1 -artifact_prefix="$findings/$target-" "$corpus" "${seeds[@]}" \
      >"$work/$target.log" 2>&1; then
    tail -n 60 "$work/$target.log" >&2
    echo "== $target: FINDING (inputs in $findings)" >&2
    failed=1
  else
    grep -E '^stat::number_of_executed_units|^Done' "$work/$target.log" || true
  fi
done
exit "$failed"
