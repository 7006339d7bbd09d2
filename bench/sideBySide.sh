#!/bin/bash
# Runs every benchmark of two build trees one after the other, twice, and
# prints the ratios each benchmark reports, so that a change is measured
# against what it changed on the same machine in the same minutes:
#   bench/sideBySide.sh ../unchanged/build-release build-release
# Both trees built with -DCMAKE_BUILD_TYPE=Release; the first may be an
# older commit with this branch's bench/ copied in.
set -euo pipefail
# side DIR BENCH FILTER ARGS...: one benchmark of one tree, its ratio lines.
side() {
  local dir=$1 bench=$2 filter=$3
  shift 3
  "$dir/$bench" "$@" 2>/dev/null | grep -E "$filter" | sed 's/\x1b\[[0-9;]*m//g'
}
for round in 1 2; do
  for bench in evaluation_bench mentalray_shader_bench maya_compute_bench binding_bench render_throughput; do
    filter="ratio|compute through" args=(--benchmark_repetitions=5 --benchmark_min_time=0.2)
    [ "$bench" = render_throughput ] && filter="preview" args=(--benchmark_repetitions=5 --benchmark_min_time=1)
    for tree in "$1" "$2"; do
      echo "== round $round, $tree: $bench"
      side "$tree/bench" "$bench" "$filter" "${args[@]}"
    done
  done
done
