#!/usr/bin/env bash
# Planned batches end to end: a batch of 5 generated scans (numbered with --append and
# --start-number, one scan without its image, one whose image's name is another input's) is planned,
# split task by task (directly, or as a SLURM array), merged, and compared name by name and byte for
# byte with one Run of the same batch. Then: a task run again rewrites identical files; a task killed
# with SIGKILL leaves no partial file and a rerun finishes with whole files; a scan changed after
# planning and images no longer where planned are refused (status 3) and the merge lists the task.
# Usage: plan_batch.sh CLI MAKE_SCAN local|slurm WORKDIR      (exit 77: skipped)
set -euo pipefail
cli=$(realpath "$1") make=$(realpath "$2") mode=$3 work=$4

if [ "$mode" = slurm ]; then
  if ! command -v sbatch >/dev/null; then
    echo "skipped: sbatch is not installed (apt-get install slurm-wlm munge)"
    exit 77
  fi
  if ! sinfo -h -o '%t' 2>/dev/null | grep -qE '^(idle|mix|alloc)'; then
    echo "skipped: no SLURM node answers (start one with scripts/slurm-local.sh start)"
    exit 77
  fi
fi

fail() { echo "FAIL: $*" >&2; exit 1; }
expect_status() { # expect_status WANT COMMAND...
  local want=$1 got=0
  shift
  "$@" || got=$?
  [ "$got" -eq "$want" ] || fail "status $got (want $want): $*"
}
same_tree() { # every file of $1/scans in $2/scans with the same bytes, and no other
  diff <(cd "$1/scans" && ls -A) <(cd "$2/scans" && ls -A) || fail "names differ: $1 vs $2"
  for f in "$1"/scans/*; do cmp "$f" "$2/scans/$(basename "$f")" || fail "bytes differ: $f"; done
}

rm -rf "$work"
mkdir -p "$work/source" "$work/one/scans" "$work/batch/scans"
geometry=(--width 10496 --height 13312 --width-cm 7 --height-cm 9)
"$make" "${geometry[@]}" --images 1 --seed 11 "$work/source/a.tif" >/dev/null
"$make" "${geometry[@]}" --images 1 --seed 12 --compression lzw "$work/source/b.tif" >/dev/null
"$make" "${geometry[@]}" --images 0 --seed 13 "$work/source/c.tif" >/dev/null
"$make" "${geometry[@]}" --images 1 --seed 14 "$work/source/d.tif" >/dev/null
# Numbers 7, 8 and 9 go to a, b and d; e's image would be run_10.tif, the name of the input itself.
"$make" "${geometry[@]}" --images 1 --seed 15 "$work/source/run_10.tif" >/dev/null
cp -p "$work"/source/*.tif "$work/one/scans/"
cp -p "$work"/source/*.tif "$work/batch/scans/"
scans=(scans/a.tif scans/b.tif scans/c.tif scans/d.tif scans/run_10.tif)
settings=(--quiet --images 1 --width-cm 7 --height-cm 9 --binning 2 --tiff --append run --start-number 7)

# The one Run.
(cd "$work/one" && expect_status 3 "$cli" split "${settings[@]}" --report report.json "${scans[@]}")
# The plan, the tasks (from another folder: a task enters the plan's working folder), the merge.
(cd "$work/batch" && expect_status 3 "$cli" split "${settings[@]}" --dry-run --report plan.json "${scans[@]}")
[ -z "$(find "$work/batch/scans" -name 'run_*' ! -name run_10.tif)" ] || fail "the plan wrote an output"
if [ "$mode" = slurm ]; then
  script=$(dirname "$(realpath "$0")")/../../packaging/slurm/gridcarver-split.sbatch
  GRIDCARVER_CLI=$cli sbatch --wait --quiet --array=1-5%2 --chdir="$work/batch" "$script" plan.json || true
else
  for k in 1 2 3 4 5; do
    status=0
    (cd / && "$cli" split --quiet --plan "$work/batch/plan.json" --task "$k") || status=$?
    case $k in 3 | 5) [ "$status" -eq 3 ] || fail "task $k: status $status" ;; *) [ "$status" -eq 0 ] || fail "task $k: status $status" ;; esac
  done
fi
(cd "$work/batch" && expect_status 0 "$cli" report --merge plan.json --output merged.json)
same_tree "$work/one" "$work/batch"
/usr/bin/python3 - "$work/one/report.json" "$work/batch/merged.json" <<'PY' || fail "the merged report differs from the Run's"
import json, sys
one, merged = (json.load(open(p)) for p in sys.argv[1:])
# The two batches lie in different folders: their absolute paths differ by that folder alone.
for report, folder in ((one, "/one/"), (merged, "/batch/")):
    for f in report["files"]:
        assert folder in f.pop("absolute_path"), f
assert one["files"] == merged["files"], (one["files"], merged["files"])
assert merged["outcome"] == "done" and merged["tasks"] == {"count": 5, "missing": [], "failed": []}
assert [f["images"][0].get("written") for f in merged["files"]] == [True, True, None, True, False]
PY

# A task run again writes the same whole files.
(cd "$work/batch" && SLURM_ARRAY_TASK_ID=2 expect_status 0 "$cli" split --plan plan.json --task auto)
same_tree "$work/one" "$work/batch"

# Killed mid-way: no partial file under a final name; run again: whole files, no temporaries.
rm "$work/batch/scans/run_9.tif" "$work/batch/scans/run_9_2X2.tif"
"$cli" split --quiet --threads 1 --plan "$work/batch/plan.json" --task 4 &
task=$!
for _ in $(seq 400); do
  compgen -G "$work/batch/scans/.run_9.tif.gc-*.tmp" >/dev/null && break
  sleep 0.05
done
kill -KILL "$task" 2>/dev/null || true
wait "$task" 2>/dev/null || true
compgen -G "$work/batch/scans/.run_9.tif.gc-*.tmp" >/dev/null || fail "the task ended before it was killed"
[ ! -e "$work/batch/scans/run_9.tif" ] || cmp -s "$work/batch/scans/run_9.tif" "$work/one/scans/run_9.tif" ||
  fail "a killed task left a partial run_9.tif"
# Leftovers are removed only once unwritten for the grace period (a live writer may share the folder).
touch -d '-1 hour' "$work"/batch/scans/.run_9*.gc-*.tmp
expect_status 0 "$cli" split --quiet --plan "$work/batch/plan.json" --task 4
[ -z "$(find "$work/batch/scans" -name '*.tmp')" ] || fail "temporaries left after the rerun"
same_tree "$work/one" "$work/batch"

# Images no longer where planned: refused, nothing written.
/usr/bin/python3 - "$work/batch/plan.json" "$work/batch/moved.json" <<'PY'
import json, sys
plan = json.load(open(sys.argv[1]))
plan["files"][0]["images"][0]["corner"]["x"] += 16
json.dump(plan, open(sys.argv[2], "w"), indent=2)
PY
rm "$work/batch/scans/run_7.tif"
err=$(cd "$work/batch" && "$cli" split --quiet --plan moved.json --task 1 2>&1) && fail "a moved image was split"
grep -q "scans/a.tif: changed since the plan, not split: image 1 at .* now at " <<<"$err" || fail "message: $err"
[ ! -e "$work/batch/scans/run_7.tif" ] || fail "a refused task wrote run_7.tif"

# A scan changed after planning: refused with what changed, and the merge lists the task.
touch -d '2001-01-01' "$work/batch/scans/b.tif"
err=$(cd "$work/batch" && "$cli" split --plan plan.json --task 2 2>&1) && fail "a changed scan was split"
grep -q "scans/b.tif: changed since the plan, not split: modification time " <<<"$err" || fail "message: $err"
err=$(cd "$work/batch" && "$cli" report --merge plan.json 2>&1) && fail "merged with a refused task"
grep -q "task 2 (scans/b.tif): failed: " <<<"$err" || fail "merge message: $err"
echo "planned batch ($mode): same names and bytes as one Run; reruns, kills and changes handled"
