#!/usr/bin/env bash
# Times the SSIM and MS-SSIM kernels of this build against an older one:
# per 256 x 256 tile-band (metrics_bench, the best target of the processor,
# one core), and inside whole runs of a demo-sized pair (a 2048 x 2048 RGB
# original against an uncompressed copy of its JPEG 2000 copy, so that no
# decode weighs in; 64 tiles of 256, one thread): the run with -stat ssim or
# ms-ssim minus the run with -stat mse, which reads the same tiles. The two
# builds take turns, best of RUNS (default 5), so that a busy spell of the
# machine weighs on both alike; times are milliseconds of CPU (metrics_bench)
# and wall-clock seconds (/usr/bin/time). Finally every tile value and report
# line but the times is compared between the two builds.
#
# usage: bench-kernels.sh BUILD_DIR [OLD_REVISION]
#   BUILD_DIR is configured with -DZARNIK_BENCHMARKS=ON. OLD_REVISION
#   (default 0b7e5ed, the kernels before shared products) is built once
#   under BUILD_DIR/bench-kernels-old with only its zarnik and metrics_bench;
#   OLD_BUILD=path uses a build folder holding both already.
set -euo pipefail

build_dir=$(cd "${1:?usage: bench-kernels.sh BUILD_DIR [OLD_REVISION]}" && pwd)
old_revision=${2:-0b7e5ed}
runs=${RUNS:-5}
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
cache="$build_dir/bench-cache"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$cache"

new_build="$build_dir"
old_build=${OLD_BUILD:-$build_dir/bench-kernels-old/build}
if [ ! -x "$new_build/bench/metrics_bench" ] || [ ! -x "$new_build/app/zarnik" ]; then
  echo "No zarnik or metrics_bench in $new_build: configure it with -DZARNIK_BENCHMARKS=ON" \
    "and build both." >&2
  exit 2
fi
if [ ! -x "$old_build/app/zarnik" ] || [ ! -x "$old_build/bench/metrics_bench" ]; then
  echo "Building zarnik and metrics_bench at $old_revision (once)..."
  rm -rf "$build_dir/bench-kernels-old"
  git -C "$repo" worktree prune
  git -C "$repo" worktree add --detach "$build_dir/bench-kernels-old" "$old_revision" > /dev/null
  cmake -S "$build_dir/bench-kernels-old" -B "$old_build" -DCMAKE_BUILD_TYPE=Release \
    -DZARNIK_BENCHMARKS=ON -DZARNIK_BUILD_TESTS=OFF > /dev/null
  cmake --build "$old_build" -j2 --target zarnik metrics_bench > /dev/null
fi

original="$cache/demo-original.tif"
compressed="$cache/demo-compressed.jp2"
copy="$cache/demo-copy.tif"
if [ ! -s "$original" ]; then
  echo "Making the 2048 x 2048 original (once)..."
  /usr/bin/python3 "$here/make-sample.py" "$original" 2048
fi
if [ ! -s "$copy" ]; then
  echo "Encoding its JPEG 2000 copy and decoding that to GeoTIFF (once)..."
  gdal_translate -q -of JP2OpenJPEG -co QUALITY=5 -co BLOCKXSIZE=1024 -co BLOCKYSIZE=1024 \
    "$original" "$compressed"
  gdal_translate -q "$compressed" "$copy"
fi

faster() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
minus() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a - b }'; }
row() { printf '%-52s %9s %9s %7s  %s\n' "$@"; }

# tile_ms BUILD: the CPU milliseconds per tile-band of SSIM and MS-SSIM on
# the best target (the first one listed), as "ssim msssim".
tile_ms() {
  local bench="$1/bench/metrics_bench" target
  target=$("$bench" --benchmark_list_tests --benchmark_filter='^ComputeSSIM_Production/' |
    head -n 1 | sed 's|.*/||')
  taskset -c 0 "$bench" --benchmark_format=csv \
    --benchmark_filter="^Compute(SSIM|MSSSIM)_Production/$target\$" 2> /dev/null |
    awk -F, '/ComputeSSIM_Production/ { s = $4 }
             /ComputeMSSSIM_Production/ { m = $4 }
             END { print s, m }'
}

# run_s BUILD STAT: wall seconds of a whole one-thread run; keeps its report
# and tile values under $work/BUILD-name.STAT.*.
run_s() {
  local name=$1 stat=$2 zarnik
  zarnik="$([ "$name" = old ] && echo "$old_build" || echo "$new_build")/app/zarnik"
  LC_ALL=C /usr/bin/time -f "%e" -o "$work/time.txt" taskset -c 0 "$zarnik" -i "$original" \
    -c "$copy" -u -stat "$stat" -ts 256 -tn 64 -threads 1 \
    -tileValues "$work/$name.$stat.csv" > "$work/$name.$stat.txt"
  cat "$work/time.txt"
}

declare -A best
keep_best() {
  if [ -z "${best[$1]:-}" ] || faster "$2" "${best[$1]}"; then
    best[$1]=$2
  fi
}

echo "Machine: $(nproc) cores, shared with other work: times vary between runs."
for _ in $(seq "$runs"); do
  for name in old new; do
    read -r ssim msssim < <(tile_ms "$([ "$name" = old ] && echo "$old_build" || echo "$new_build")")
    keep_best "$name.tile.ssim" "$ssim"
    keep_best "$name.tile.ms-ssim" "$msssim"
    for stat in mse ssim ms-ssim; do
      keep_best "$name.run.$stat" "$(run_s "$name" "$stat")"
    done
  done
done

row "measurement" "old" "new" "old/new" "goal"
for stat in ssim ms-ssim; do
  row "$stat per 256 x 256 tile-band, one core (ms)" "${best[old.tile.$stat]}" \
    "${best[new.tile.$stat]}" "$(ratio "${best[old.tile.$stat]}" "${best[new.tile.$stat]}")" \
    ">= 1.25"
done
for stat in ssim ms-ssim; do
  old_kernel=$(minus "${best[old.run.$stat]}" "${best[old.run.mse]}")
  new_kernel=$(minus "${best[new.run.$stat]}" "${best[new.run.mse]}")
  row "whole run -stat $stat, one thread (s)" "${best[old.run.$stat]}" \
    "${best[new.run.$stat]}" "$(ratio "${best[old.run.$stat]}" "${best[new.run.$stat]}")" ""
  row "  less the -stat mse run: $stat in the run (s)" "$old_kernel" "$new_kernel" \
    "$(ratio "$old_kernel" "$new_kernel")" ">= 1.25"
done

# without_times CSV: the tile values without the read times' columns, and
# without the comment line that marks a streamed file finished, which older
# builds do not write.
without_times() {
  awk -F, '/^#/ { next }
           NR == 1 { for (i = 1; i <= NF; i++) keep[i] = $i !~ /ReadUs$/ }
           { line = ""; for (i = 1; i <= NF; i++) if (keep[i]) line = line $i ","; print line }' "$1"
}

# Every tile value, and every report line but the times, the same.
same=yes
for stat in mse ssim ms-ssim; do
  for name in old new; do
    without_times "$work/$name.$stat.csv" > "$work/$name.$stat.tiles"
    sed -e '/^Decoding speed:/,$d' "$work/$name.$stat.txt" > "$work/$name.$stat.values"
  done
  cmp -s "$work/old.$stat.tiles" "$work/new.$stat.tiles" || same=no
  cmp -s "$work/old.$stat.values" "$work/new.$stat.values" || same=no
done
echo "Tile values and report lines identical between the builds: $same"
[ "$same" = yes ]
