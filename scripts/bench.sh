#!/usr/bin/env bash
# Runs the kernel and reader benchmarks, then times whole runs.
#
# usage: bench.sh BUILD_DIR
set -euo pipefail

build_dir=${1:?usage: bench.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
for benchmark in "$build_dir"/bench/*_bench; do
  echo "== $(basename "$benchmark")"
  "$benchmark"
done
"$here/bench-run.sh" "$build_dir"
