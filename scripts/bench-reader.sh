#!/usr/bin/env bash
# Times the built-in JPEG 2000 reader on whole-image and random runs against
# one decode of the whole image, against GDAL (-u) and against an older
# build, and measures its peak memory against the tile count. The pairs are
# an 8000 x 8000 RGB original (a tiled GeoTIFF) and two JPEG 2000 copies at
# about 1:20: one single tile, and 1024 x 1024 tiles. Each row's two runs
# take turns, best of RUNS (default 3), so that a busy spell of the machine
# weighs on both alike; times are wall-clock seconds (/usr/bin/time) and peak
# memory the maximum resident size. Rows marked "one core" run under
# `taskset -c 0`. Finally every report line and output file but the read
# times is compared between the old and the new build.
#
# usage: bench-reader.sh BUILD_DIR [OLD_REVISION]
#   OLD_REVISION (default 4b85eea, the reader before it was told the order
#   of the tiles) is built once under BUILD_DIR/bench-old with only its
#   zarnik; OLD_ZARNIK=path uses a binary built already instead.
set -euo pipefail

build_dir=$(cd "${1:?usage: bench-reader.sh BUILD_DIR [OLD_REVISION]}" && pwd)
old_revision=${2:-4b85eea}
runs=${RUNS:-3}
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
zarnik="$build_dir/app/zarnik"
cache="$build_dir/bench-cache"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$cache"

original="$cache/original.tif"
tiled="$cache/tiled-1024.jp2"
single="$cache/single-tile.jp2"
"$here/make-bench-pair.sh" "$cache" single

old_zarnik=${OLD_ZARNIK:-$build_dir/bench-old/build/app/zarnik}
if [ ! -x "$old_zarnik" ]; then
  echo "Building zarnik at $old_revision (once)..."
  rm -rf "$build_dir/bench-old"
  git -C "$repo" worktree prune
  git -C "$repo" worktree add --detach "$build_dir/bench-old" "$old_revision" > /dev/null
  cmake -S "$build_dir/bench-old" -B "$build_dir/bench-old/build" -DCMAKE_BUILD_TYPE=Release \
    > /dev/null
  cmake --build "$build_dir/bench-old/build" -j2 --target zarnik > /dev/null
fi

# The same random tiles for every random run, so that runs differ only in the program.
"$zarnik" -i "$original" -c "$tiled" -or ran -tn 100 -stat mse -threads 1 \
  -saveRegions "$work/random100.bin" > /dev/null
"$zarnik" -i "$original" -c "$tiled" -or ran -ts 16 -tn 300 -stat mse -threads 1 \
  -saveRegions "$work/random16.bin" > /dev/null

# timed COMMAND...: runs one comparison; sets wall_s and peak_mib, and leaves
# its report in $work/run.txt.
timed() {
  LC_ALL=C /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" > "$work/run.txt"
  local peak_kib
  read -r wall_s peak_kib < "$work/time.txt"
  peak_mib=$((peak_kib / 1024))
}

faster() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
row() { printf '%-62s %10s %10s %7s  %s\n' "$@"; }

# Compressed reads summed over every band of every tile, in milliseconds,
# from the report's average and the number of reads.
read_ms() {
  awk -v reads="$2" '
    /^Compressed file:/ { found = 1; next }
    found && /Avg:/ { printf "%.1f", $2 * reads; exit }' "$1"
}

# pair: runs the commands in `first` and `second` by turns, RUNS times each;
# sets first_s/second_s (best wall times), first_mib/second_mib (largest
# peaks) and keeps the reports of the best runs as $work/first.txt and
# $work/second.txt.
pair() {
  first_s="" second_s="" first_mib=0 second_mib=0
  for _ in $(seq "$runs"); do
    for side in first second; do
      local -n command=$side
      timed "${command[@]}"
      local best_var=${side}_s mib_var=${side}_mib
      if [ -z "${!best_var}" ] || faster "$wall_s" "${!best_var}"; then
        printf -v "$best_var" '%s' "$wall_s"
        cp "$work/run.txt" "$work/$side.txt"
      fi
      if [ "$peak_mib" -gt "${!mib_var}" ]; then
        printf -v "$mib_var" '%s' "$peak_mib"
      fi
    done
  done
}

echo "Machine: $(nproc) cores, shared with other work: times vary between runs."
row "measurement" "A" "B" "A/B" "goal"

single_args=(-i "$original" -c "$single" -stat mse)
for cores in 0 0,1; do
  label=$([ "$cores" = 0 ] && echo "one core" || echo "two cores")
  threads=$([ "$cores" = 0 ] && echo 1 || echo 2)
  first=(taskset -c "$cores" "$zarnik" "${single_args[@]}" -ts 256 -tn 1024 -threads "$threads")
  second=(taskset -c "$cores" "$zarnik" "${single_args[@]}" -ts 8000 -tn 1 -threads "$threads")
  pair
  row "single tile, 256 px pass / whole decode, $label (s)" "$first_s" "$second_s" \
    "$(ratio "$first_s" "$second_s")" "<= 1.3"
  row "  peak MiB: pass / whole decode" "$first_mib" "$second_mib" \
    "$(ratio "$first_mib" "$second_mib")" "< 0.25"
done

# The old build's full pass at 64 pixels takes minutes and gigabytes: once.
runs_before=$runs
runs=1
first=(taskset -c 0 "$old_zarnik" "${single_args[@]}" -ts 64 -tn 15625)
second=(taskset -c 0 "$zarnik" "${single_args[@]}" -ts 64 -tn 15625 -threads 1)
pair
runs=$runs_before
row "single tile, 64 px pass, one core: old / new (s)" "$first_s" "$second_s" \
  "$(ratio "$first_s" "$second_s")" ">= 1"
row "  peak MiB: old / new" "$first_mib" "$second_mib" "$(ratio "$first_mib" "$second_mib")" \
  ">= 1"

random_args=(-i "$original" -c "$tiled" -stat mse -useRegions "$work/random100.bin" -threads 1)
first=(taskset -c 0 "$zarnik" "${random_args[@]}" -u)
second=(taskset -c 0 "$zarnik" "${random_args[@]}")
pair
gdal_ms=$(read_ms "$work/first.txt" 300)
sdk_ms=$(read_ms "$work/second.txt" 300)
row "random 256 px, tiled, one core: -u / built-in (ms a window)" \
  "$(ratio "$gdal_ms" 100)" "$(ratio "$sdk_ms" 100)" "$(ratio "$gdal_ms" "$sdk_ms")" ">= 3"

for regions in random100 random16; do
  size=$([ "$regions" = random100 ] && echo 256 || echo 16)
  count=$([ "$regions" = random100 ] && echo 100 || echo 300)
  for file in "$tiled" "$single"; do
    args=(-i "$original" -c "$file" -stat mse -useRegions "$work/$regions.bin")
    first=(taskset -c 0 "$old_zarnik" "${args[@]}" -threads 1)
    second=(taskset -c 0 "$zarnik" "${args[@]}" -threads 1)
    pair
    old_ms=$(read_ms "$work/first.txt" $((count * 3)))
    new_ms=$(read_ms "$work/second.txt" $((count * 3)))
    row "random $size px, $(basename "$file" .jp2), one core: old / new (ms a window)" \
      "$(ratio "$old_ms" "$count")" "$(ratio "$new_ms" "$count")" \
      "$(ratio "$old_ms" "$new_ms")" ">= 1"
  done
done

# Each run draws other random tiles: the peak is the largest of the runs.
for file in "$tiled" "$single"; do
  for threads in 1 2; do
    first=("$zarnik" -i "$original" -c "$file" -or ran -tn 2000 -stat mse -threads "$threads")
    second=("$zarnik" -i "$original" -c "$file" -or ran -tn 100 -stat mse -threads "$threads")
    runs_before=$runs
    runs=1
    pair
    runs=$runs_before
    row "peak MiB, $(basename "$file" .jp2), -threads $threads: 2000 / 100 tiles" \
      "$first_mib" "$second_mib" "$(ratio "$first_mib" "$second_mib")" "<= 1.10"
  done
done

# Numbers unchanged: every report line and file but the read times, old
# against new, both readers, 1, 2 and 8 threads.
outcome() {
  local folder=$1
  shift
  mkdir -p "$folder"
  (cd "$folder" && "$@" -tileValues values.csv -json report.json > report.txt 2>&1 || true)
  # Read times: the report's decoding speed and elapsed seconds, the tile
  # values' two last columns, the JSON report's timing members.
  sed -e 's/\r/\n/g' "$folder/report.txt" |
    awk '/^Decoding speed/ { skip = 1 } /^Completed/ { skip = 0; next } !skip' \
      > "$folder/report.clean"
  awk -F, -v OFS=, '{ NF -= 2; print }' "$folder/values.csv" > "$folder/values.clean"
  /usr/bin/python3 -c '
import json, sys
def strip(x):
    if isinstance(x, dict):
        return {k: strip(v) for k, v in x.items()
                if not any(t in k.lower() for t in ("decod", "time", "second", "speed", "json", "tilevalues"))}
    return [strip(v) for v in x] if isinstance(x, list) else x
print(json.dumps(strip(json.load(open(sys.argv[1]))), sort_keys=True))' \
    "$folder/report.json" > "$folder/json.clean"
}
same=0 differ=0
for file in "$tiled" "$single"; do
  for reader in sdk gdal; do
    for threads in 1 2 8; do
      for args in "-tn 100 -stat all" "-useRegions $work/random100.bin -stat mse,ssim -yuvy" \
        "-ts 1000 -tn 64 -stat psnr -yuvY"; do
        # shellcheck disable=SC2206
        common=(-i "$original" -c "$file" $args -threads "$threads")
        [ "$reader" = gdal ] && common+=(-u)
        outcome "$work/old" "$old_zarnik" "${common[@]}"
        outcome "$work/new" "$zarnik" "${common[@]}"
        if cmp -s "$work/old/report.clean" "$work/new/report.clean" &&
          cmp -s "$work/old/values.clean" "$work/new/values.clean" &&
          cmp -s "$work/old/json.clean" "$work/new/json.clean"; then
          same=$((same + 1))
        else
          differ=$((differ + 1))
          echo "DIFFERENT: $(basename "$file") $reader ${common[*]}"
        fi
        rm -rf "$work/old" "$work/new"
      done
    done
  done
done
row "runs with the same numbers, old / new (of $((same + differ)))" "$same" "" "" \
  "all"
