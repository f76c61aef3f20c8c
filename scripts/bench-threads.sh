#!/usr/bin/env bash
# Times the built-in JPEG 2000 reader against GDAL (-u), against an older
# build, across worker counts and against a GDAL + scikit-image script, on an
# 8000 x 8000 RGB pair: a tiled GeoTIFF original and a JPEG 2000 copy at
# about 1:20 in 1024 x 1024 tiles. Each row's two runs take turns, 5 times
# (the script 3), so that a busy spell of the machine weighs on both alike;
# times are the best wall-clock time (/usr/bin/time) of each, and peak memory
# is the maximum resident size.
#
# usage: bench-threads.sh BUILD_DIR [OLD_REVISION]
#   OLD_REVISION (default: the revision before the reader decoded whole
#   tiles) is built once under BUILD_DIR/bench-old with only its zarnik;
#   OLD_ZARNIK=path uses a binary built already instead.
#   PEER_SCRIPT (default ../shared/peers/skimage_tiles.py beside the
#   repository) is the GDAL + scikit-image script run on the same pair (needs
#   python3-skimage).
set -euo pipefail

build_dir=$(cd "${1:?usage: bench-threads.sh BUILD_DIR [OLD_REVISION]}" && pwd)
old_revision=${2:-1f90868}
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
zarnik="$build_dir/app/zarnik"
cache="$build_dir/bench-cache"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$cache"

original="$cache/original.tif"
compressed="$cache/tiled-1024.jp2"
# Another build's copies serve as well: link them instead of making them again.
for name in original.tif tiled-1024.jp2; do
  if [ ! -s "$cache/$name" ]; then
    for other in "$repo"/build-*/bench-cache/"$name"; do
      if [ -s "$other" ] && ln -f "$other" "$cache/$name" 2>/dev/null; then
        break
      fi
    done
  fi
done
"$here/make-bench-pair.sh" "$cache"

old_zarnik=${OLD_ZARNIK:-$build_dir/bench-old/build/app/zarnik}
peer_script=${PEER_SCRIPT:-$repo/../shared/peers/skimage_tiles.py}
if [ ! -x "$old_zarnik" ]; then
  echo "Building zarnik at $old_revision (once)..."
  rm -rf "$build_dir/bench-old"
  git -C "$repo" worktree prune
  git -C "$repo" worktree add --detach "$build_dir/bench-old" "$old_revision" > /dev/null
  cmake -S "$build_dir/bench-old" -B "$build_dir/bench-old/build" -DCMAKE_BUILD_TYPE=Release \
    > /dev/null
  cmake --build "$build_dir/bench-old/build" -j2 --target zarnik > /dev/null
fi

cores=$(nproc)
# The same 100 random tiles for every random run, so that runs differ only in the program.
"$zarnik" -i "$original" -c "$compressed" -or ran -tn 100 -stat mse -threads 1 \
  -saveRegions "$work/random100.bin" > /dev/null

# Sum of (average read ms x reads) of the compressed file, in seconds.
compressed_read_seconds() {
  awk -v reads=$((100 * 3)) '
    /^Compressed file:/ { found = 1; next }
    found && /Avg:/ { printf "%.2f", $2 * reads / 1000; exit }' "$1"
}

# timed COMMAND...: runs one comparison; sets wall_s and peak_mib, and leaves
# its report in $work/run.txt.
timed() {
  LC_ALL=C /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" \
    -i "$original" -c "$compressed" > "$work/run.txt"
  local peak_kib
  read -r wall_s peak_kib < "$work/time.txt"
  peak_mib=$((peak_kib / 1024))
}

faster() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

# pair: runs the commands in the arrays `first` and `second` by turns, 5 times
# each, so that a busy spell of the machine weighs on both alike; sets
# first_s and second_s to the best wall times, and keeps the reports of those
# runs as $work/first.txt and $work/second.txt.
pair() {
  first_s="" second_s=""
  for _ in 1 2 3 4 5; do
    timed "${first[@]}"
    if [ -z "$first_s" ] || faster "$wall_s" "$first_s"; then
      first_s=$wall_s
      cp "$work/run.txt" "$work/first.txt"
    fi
    timed "${second[@]}"
    if [ -z "$second_s" ] || faster "$wall_s" "$second_s"; then
      second_s=$wall_s
      cp "$work/run.txt" "$work/second.txt"
    fi
  done
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

row() { printf '%-58s %10s %10s %8s  %s\n' "$@"; }
echo "Machine: $cores cores, shared with other work: times vary between runs."
row "measurement" "A" "B" "A/B" "goal"

first=("$zarnik" -tn 100 -threads 1 -u)
second=("$zarnik" -tn 100 -threads 1)
pair
row "default run, -threads 1: -u / SDK (wall s)" "$first_s" "$second_s" \
  "$(ratio "$first_s" "$second_s")" ">= 1"
gdal_read=$(compressed_read_seconds "$work/first.txt")
sdk_read=$(compressed_read_seconds "$work/second.txt")
row "  compressed reads summed: -u / SDK (s)" "$gdal_read" "$sdk_read" \
  "$(ratio "$gdal_read" "$sdk_read")" ">= 1"

# Replaying the saved tiles visits them in their random order. The old build
# has no -threads and its OpenJPEG decodes each window on every core, so both
# builds are held to one core for the one-thread comparison.
random_args=(-stat all -useRegions "$work/random100.bin")
first=(taskset -c 0 "$old_zarnik" "${random_args[@]}")
second=(taskset -c 0 "$zarnik" "${random_args[@]}" -threads 1)
pair
row "random 100, all stats, one core: old / new (wall s)" "$first_s" "$second_s" \
  "$(ratio "$first_s" "$second_s")" ">= 1"

for threads in $(seq 2 "$cores"); do
  first=("$zarnik" -tn 100 -threads 1)
  second=("$zarnik" -tn 100 -threads "$threads")
  pair
  row "default run: -threads 1 / -threads $threads (wall s)" "$first_s" "$second_s" \
    "$(ratio "$first_s" "$second_s")" ">= 1.7 at 2"
  first=("$zarnik" "${random_args[@]}" -threads 1)
  second=("$zarnik" "${random_args[@]}" -threads "$threads")
  pair
  row "random 100: -threads 1 / -threads $threads (wall s)" "$first_s" "$second_s" \
    "$(ratio "$first_s" "$second_s")" ">= 1.7 at 2"
done

# The script and the default run (every core this process may run on) by turns.
python_s="" default_s=""
for _ in 1 2 3; do
  start=$(date +%s.%N)
  /usr/bin/python3 "$peer_script" "$original" "$compressed" 100 > /dev/null
  elapsed=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')
  if [ -z "$python_s" ] || faster "$elapsed" "$python_s"; then
    python_s=$elapsed
  fi
  timed "$zarnik" -tn 100
  if [ -z "$default_s" ] || faster "$wall_s" "$default_s"; then
    default_s=$wall_s
  fi
done
row "default run, default threads: GDAL+skimage script / zarnik" "$python_s" "$default_s" \
  "$(ratio "$python_s" "$default_s")" ">= 3"

# Each run draws other random tiles: the peak is the largest of 3 runs.
for threads in 1 2; do
  small=0 large=0
  for _ in 1 2 3; do
    timed "$zarnik" -or ran -tn 100 -stat mse -threads "$threads"
    small=$((peak_mib > small ? peak_mib : small))
    timed "$zarnik" -or ran -tn 2000 -stat mse -threads "$threads"
    large=$((peak_mib > large ? peak_mib : large))
  done
  row "peak MiB, random mse, -threads $threads: 2000 / 100 tiles" "$large" "$small" \
    "$(ratio "$large" "$small")" "<= 1.10"
done
