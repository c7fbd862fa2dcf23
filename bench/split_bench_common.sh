# Shared by bench/split_floor.sh and bench/split_vs_peers.sh (sourced from the repository's root, with
# `build` and `runs` set): builds the programs they time and names them, and times runs of a command.

[ -d "$build" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target gridcarver-cli gridcarver-make-scan decode-tiles >/dev/null

cli="$build/src/cli/gridcarver-cli"
make_scan="$build/tools/gridcarver-make-scan"
decode="$build/bench/decode-tiles"

# Runs a command RUNS times, `clean` before each run (untimed), into the arrays walls, cpus (user +
# system seconds) and peaks (largest resident memory, KiB); a failed run ends the benchmark.
timed_runs() { # clean-command command...
  local clean="$1"; shift
  walls=() cpus=() peaks=()
  for ((i = 0; i < runs; i++)); do
    eval "$clean"
    /usr/bin/time -f "%e %U %S %M" -o "$samples/time.txt" "$@" >/dev/null 2>"$samples/stderr.txt" ||
      { echo "failed: $*" >&2; cat "$samples/stderr.txt" >&2; exit 1; }
    read -r wall user system peak <"$samples/time.txt"
    walls+=("$wall"); cpus+=("$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')"); peaks+=("$peak")
  done
}

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
largest() { printf '%s\n' "$@" | sort -g | tail -1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
