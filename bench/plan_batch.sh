#!/usr/bin/env bash
# The same batch three ways: one process (split FILE..., every core), a 2-task SLURM array of the
# batch's plan (one CPU per task) and GNU parallel with 2 jobs on the same plan (one thread each).
# Wall times side by side, medians of hyperfine's runs; the outputs are removed before every run.
# On a machine of 2 cores the array and parallel should be within about 1.1x of the one process: the
# point is that the same commands scale out unchanged. The array needs a running cluster
# (scripts/slurm-local.sh start); without one it is left out with a message.
# Usage: bench/plan_batch.sh [build folder] [runs]      (default build, 3)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
runs=${2:-3}
cli=$build/src/cli/gridcarver-cli
make=$build/tools/gridcarver-make-scan
sbatch_script=$PWD/packaging/slurm/gridcarver-split.sbatch
[ -x "$cli" ] && [ -x "$make" ] || { echo "build gridcarver-cli and gridcarver-make-scan in $build first" >&2; exit 1; }
command -v hyperfine >/dev/null && command -v parallel >/dev/null ||
  { echo "needs hyperfine and GNU parallel (scripts/install-deps.sh)" >&2; exit 1; }

# 8 one-image scans of 10,496 x 13,312 pixels (about 140 MB each), generated once and reused.
samples=$build/bench/samples/plan-batch
mkdir -p "$samples"
scans=()
for k in 1 2 3 4 5 6 7 8; do
  [ -f "$samples/s$k.tif" ] || "$make" --width 10496 --height 13312 --width-cm 7 --height-cm 9 --images 1 \
    --seed "$k" --compression lzw "$samples/s$k.tif" >/dev/null
  scans+=("s$k.tif")
done
cd "$samples"
settings=(--quiet --images 1 --width-cm 7 --height-cm 9)
"$cli" split "${settings[@]}" --dry-run --report plan.json "${scans[@]}"
clean="rm -rf s?_1.mrc plan.json.parts gridcarver-split-*.out"

commands=(-n "one process" "$cli split ${settings[*]} ${scans[*]}")
commands+=(-n "GNU parallel -j2" "parallel -j2 $cli split --quiet --threads 1 --plan plan.json --task {} ::: \$(seq 8)")
if command -v sbatch >/dev/null && sinfo -h -o '%t' 2>/dev/null | grep -qE '^(idle|mix|alloc)'; then
  commands+=(-n "SLURM array %2" "GRIDCARVER_CLI=$cli sbatch --wait --quiet --array=1-8%2 --cpus-per-task=1 $sbatch_script plan.json")
else
  echo "plan_batch.sh: no SLURM node answers; the array is left out (scripts/slurm-local.sh start)" >&2
fi
hyperfine --runs "$runs" --prepare "$clean" --shell=bash --export-markdown "$build/bench/plan_batch.md" \
  "${commands[@]}"
eval "$clean"
cat "$build/bench/plan_batch.md"
