#!/bin/bash
# Runs every benchmark of two build trees one after the other, twice, and
# prints the ratios each benchmark reports, so that a change is measured
# against what it changed on the same machine in the same minutes:
#   bench/sideBySide.sh ../unchanged/build-release build-release
# Both trees built with -DCMAKE_BUILD_TYPE=Release; the first may be an
# older commit with this branch's bench/ copied in.
set -euo pipefail
before=$1/bench
after=$2/bench
for round in 1 2; do
  for bench in evaluation_bench mentalray_shader_bench maya_compute_bench binding_bench; do
    for side in before after; do
      dir=$before
      [ "$side" = after ] && dir=$after
      echo "== round $round, $side: $bench"
      "$dir/$bench" --benchmark_repetitions=5 --benchmark_min_time=0.2 2>/dev/null |
        grep -E "ratio|compute through" | sed 's/\x1b\[[0-9;]*m//g'
    done
  done
  for side in before after; do
    dir=$before
    [ "$side" = after ] && dir=$after
    echo "== round $round, $side: render_throughput"
    "$dir/render_throughput" --benchmark_repetitions=5 --benchmark_min_time=1 2>/dev/null |
      grep -E "preview" | sed 's/\x1b\[[0-9;]*m//g'
  done
done
