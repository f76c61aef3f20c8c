#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer, makes their seed corpus and
# runs each target for FUZZ_SECONDS seconds, one after the other. Fails when
# any target finds a crash, a leak, a timeout or runs out of memory; prints
# each target's executions and executions per second.
#
# Usage: scripts/fuzz.sh [TARGET...]   (all four targets when none is named)
# Environment: FUZZ_SECONDS (60), FUZZ_BUILD_DIR (build-fuzz), JOBS (2), and
# FUZZ_BUILD=0 to skip configuring and building, so that several runs of this
# script can share one build side by side.
set -euo pipefail

cd "$(dirname "$0")/.."
FUZZ_SECONDS=${FUZZ_SECONDS:-60}
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
JOBS=${JOBS:-2}
FUZZ_BUILD=${FUZZ_BUILD:-1}

all_targets=(fuzz_command_line fuzz_regions_file fuzz_vexl fuzz_jpeg2000)
if [ "$#" -gt 0 ]; then targets=("$@"); else targets=("${all_targets[@]}"); fi

if [ "$FUZZ_BUILD" != 0 ]; then
  cmake -S . -B "$BUILD_DIR" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZARNIK_FUZZ=ON -DZARNIK_BUILD_TESTS=OFF -DZARNIK_WERROR=OFF >/dev/null
  cmake --build "$BUILD_DIR" -j "$JOBS" --target "${targets[@]}"
fi

corpus_dir="$BUILD_DIR/corpus"
findings_dir="$BUILD_DIR/findings"
logs_dir="$BUILD_DIR/fuzz-logs"
mkdir -p "$findings_dir" "$logs_dir"
python3 scripts/make-fuzz-corpus.py "$corpus_dir"

# Reports name source lines, and any undefined behaviour shows its stack.
export ASAN_SYMBOLIZER_PATH=${ASAN_SYMBOLIZER_PATH:-$(command -v llvm-symbolizer || true)}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
# The targets rewrite a scratch file in the temporary folder for every input;
# rewriting a file on disk flushes it and costs milliseconds, in memory
# microseconds.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

failed=()
summary=()
for target in "${targets[@]}"; do
  log="$logs_dir/$target.log"
  echo "Fuzzing $target for $FUZZ_SECONDS s (log: $log)"
  status=0
  "$BUILD_DIR/fuzz/$target" "$corpus_dir/$target" \
    -max_total_time="$FUZZ_SECONDS" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings_dir/$target-" >"$log" 2>&1 || status=$?
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  per_second=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  if [ "$status" -eq 0 ]; then
    result=ok
  else
    result="FAILED (exit $status)"
    failed+=("$target")
    grep -E '^(==[0-9]+== ?ERROR|SUMMARY|.*runtime error|artifact_prefix|Test unit written)' "$log" || tail -n 30 "$log"
  fi
  summary+=("$(printf '%-18s %12s executions %8s exec/s  %s' "$target" "${executions:-?}" "${per_second:-?}" "$result")")
done

echo
printf '%s\n' "${summary[@]}"
if [ "${#failed[@]}" -gt 0 ]; then
  echo "Fuzzing found faults in: ${failed[*]}; the inputs are in $findings_dir (see docs/fuzzing.md)"
  exit 1
fi
