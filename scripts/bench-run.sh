#!/usr/bin/env bash
# Times whole runs on an 8000 x 8000 RGB pair (tiled GeoTIFF original and a
# JPEG 2000 copy at about 1:20) and reports wall time, the share spent in
# reading (the report's decoding times) and peak memory.
#
# usage: bench-run.sh BUILD_DIR [WORK_DIR]
set -euo pipefail

build_dir=${1:?usage: bench-run.sh BUILD_DIR [WORK_DIR]}
work=${2:-$build_dir/bench-data}
zarnik="$build_dir/app/zarnik"
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$work"

original="$work/large.tif"
compressed="$work/large.jp2"
if [ ! -s "$original" ]; then
  echo "Making the 8000 x 8000 original (once)..."
  /usr/bin/python3 "$here/make-sample.py" "$original" 8000 11
fi
if [ ! -s "$compressed" ]; then
  echo "Encoding the JPEG 2000 copy at about 1:20 (once)..."
  gdal_translate -q -of JP2OpenJPEG -co QUALITY=5 -co BLOCKXSIZE=1024 -co BLOCKYSIZE=1024 \
    "$original" "$compressed"
fi

# Sum of (average read ms x reads) for one file's block of the report.
read_seconds() {
  local label=$1 report=$2 reads=$3
  awk -v label="$label" -v reads="$reads" '
    $0 ~ "^" label { found = 1; next }
    found && /Avg:/ { printf "%.2f", $2 * reads / 1000; exit }' "$report"
}

printf '%-44s %8s %10s %10s %10s\n' "run" "wall s" "orig rd s" "comp rd s" "peak MiB"
measure() {
  local name=$1 tiles=$2
  shift 2
  local report="$work/report.txt" timing="$work/time.txt"
  LC_ALL=C /usr/bin/time -f "%e %M" -o "$timing" "$zarnik" -i "$original" -c "$compressed" \
    -tn "$tiles" "$@" > "$report"
  local bands reads
  bands=3
  reads=$((tiles * bands))
  read -r wall peak_kib < "$timing"
  printf '%-44s %8s %10s %10s %10d\n' "$name" "$wall" \
    "$(read_seconds "Input file:" "$report" "$reads")" \
    "$(read_seconds "Compressed file:" "$report" "$reads")" $((peak_kib / 1024))
}

measure "default: 100 sequential tiles, ssim" 100
measure "100 random tiles, all statistics" 100 -or ran -stat all
measure "100 random tiles, all statistics, -u" 100 -or ran -stat all -u
measure "2000 random tiles, mse (memory check)" 2000 -or ran -stat mse
