#!/usr/bin/env bash
# Runs every fuzz target of a built fuzz tree for a fixed time from its seed
# corpus, JOBS at a time, with leak detection; a crash, a UB report, a leak or
# a timeout fails the run. What a run finds is kept in BUILD/corpus/.
#
#   fuzz/run.sh BUILD [JOBS]     SORVANE_FUZZ_SECONDS per target (default 30)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: fuzz/run.sh BUILD [JOBS]}" && pwd)
jobs=${2:-$(nproc)}
seconds="${SORVANE_FUZZ_SECONDS:-30}"
# The build lists its targets (fuzz/CMakeLists.txt).
mapfile -t targets <"$build/fuzz-targets.txt"

mkdir -p "$build/logs" "$build/artifacts"
running=0
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t"
  (
    cd "$build"
    set +e
    # The format's keywords, where it has any, so mutations reach past the first key.
    dict=()
    [ -f "$here/dictionaries/$t.dict" ] && dict=(-dict="$here/dictionaries/$t.dict")
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      "bin/$t" -max_total_time="$seconds" -timeout=10 -detect_leaks=1 -print_final_stats=1 "${dict[@]}" \
      -artifact_prefix="artifacts/$t-" "corpus/$t" "$here/corpus/$t" >"logs/$t.log" 2>&1
    echo $? >"logs/$t.status"
  ) &
  running=$((running + 1))
  if ((running >= jobs)); then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

failed=0
printf '%-24s %12s %10s\n' target executions "exec/s"
for t in "${targets[@]}"; do
  status=$(cat "$build/logs/$t.status")
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/logs/$t.log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$build/logs/$t.log")
  printf '%-24s %12s %10s\n' "$t" "${runs:-?}" "${rate:-?}"
  if [ "$status" != 0 ]; then
    failed=1
    echo "$t failed (exit $status): $build/logs/$t.log" >&2
    grep -E "ERROR|SUMMARY|runtime error|Test unit written" "$build/logs/$t.log" >&2 || tail -20 "$build/logs/$t.log" >&2
  fi
done
exit $failed
