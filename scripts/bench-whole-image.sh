#!/usr/bin/env bash
# Times whole-image runs on the 8000 x 8000 RGB pair of bench-reader.sh (a
# tiled GeoTIFF original and its JPEG 2000 copy in 1024 x 1024 tiles), every
# 256-pixel tile once, one thread on one core, against the sum of what the
# work itself costs: the JPEG 2000 decode and the original's reads as the
# run's own report times them, and the kernels as metrics_bench times them
# per 256 x 256 tile-band (best target), times the image's area in such
# tiles and its three bands. Best of RUNS (default 3).
#
# usage: bench-whole-image.sh BUILD_DIR
#   BUILD_DIR is configured with -DZARNIK_BENCHMARKS=ON; the pair is made
#   once under BUILD_DIR/bench-cache by scripts/make-bench-pair.sh.
set -euo pipefail

build_dir=$(cd "${1:?usage: bench-whole-image.sh BUILD_DIR}" && pwd)
runs=${RUNS:-3}
here=$(cd "$(dirname "$0")" && pwd)
zarnik="$build_dir/app/zarnik"
bench="$build_dir/bench/metrics_bench"
cache="$build_dir/bench-cache"
original="$cache/original.tif"
tiled="$cache/tiled-1024.jp2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$here/make-bench-pair.sh" "$cache"

tiles=1024 # 32 x 32 tiles of 256 pixels, the last row and column 64 wide
bands=3
tile_bands=$(awk -v b=$bands 'BEGIN { printf "%.2f", 8000 * 8000 / 65536 * b }')

# kernel_ms NAME: CPU milliseconds per 256 x 256 tile-band on the best
# target, the median of RUNS repetitions (at least 3: a single one has no
# median).
kernel_ms() {
  local target
  target=$("$bench" --benchmark_list_tests --benchmark_filter="^Compute$1_Production/" |
    head -n 1 | sed 's|.*/||')
  taskset -c 0 "$bench" --benchmark_format=csv --benchmark_repetitions="$((runs < 3 ? 3 : runs))" \
    --benchmark_report_aggregates_only=true \
    --benchmark_filter="^Compute$1_Production/$target\$" 2> /dev/null |
    awk -F, '/_median"?,/ {
      scale = $5 == "ns" ? 1e-6 : $5 == "us" ? 1e-3 : $5 == "s" ? 1e3 : 1
      print $4 * scale; exit }'
}

# read_s LABEL REPORT: seconds of one file's reads, from the report's average.
read_s() {
  awk -v label="$1" -v reads=$((tiles * bands)) '
    $0 ~ "^" label { found = 1; next }
    found && /Avg:/ { printf "%.2f", $2 * reads / 1000; exit }' "$2"
}

mse=$(kernel_ms MSE)
ssim=$(kernel_ms SSIM)
msssim=$(kernel_ms MSSSIM)
printf '%-24s %8s %8s %8s %8s %8s %7s\n' "run" "wall s" "decode" "reads" "kernels" "sum" "ratio"
for stat in ssim all; do
  per_tile=$([ "$stat" = ssim ] && echo "$ssim" ||
    awk -v a="$mse" -v s="$ssim" -v m="$msssim" 'BEGIN { print 2 * a + s + m }')
  best=""
  for _ in $(seq "$runs"); do
    LC_ALL=C /usr/bin/time -f "%e" -o "$work/time.txt" taskset -c 0 "$zarnik" -i "$original" \
      -c "$tiled" -stat "$stat" -ts 256 -tn $tiles -threads 1 > "$work/run.txt"
    wall=$(cat "$work/time.txt")
    if [ -z "$best" ] || awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$wall
      cp "$work/run.txt" "$work/best.txt"
    fi
  done
  decode=$(read_s "Compressed file:" "$work/best.txt")
  reads=$(read_s "Input file:" "$work/best.txt")
  kernels=$(awk -v t="$per_tile" -v n="$tile_bands" 'BEGIN { printf "%.2f", t * n / 1000 }')
  sum=$(awk -v a="$decode" -v b="$reads" -v c="$kernels" 'BEGIN { printf "%.2f", a + b + c }')
  printf '%-24s %8s %8s %8s %8s %8s %7s\n' "-stat $stat" "$best" "$decode" "$reads" "$kernels" \
    "$sum" "$(awk -v a="$best" -v b="$sum" 'BEGIN { printf "%.2f", a / b }')"
done
echo "goal: ratio <= 1.15 (psnr counted as a second mse kernel)"
