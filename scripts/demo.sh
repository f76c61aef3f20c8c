#!/usr/bin/env bash
# Makes a sample original and a JPEG 2000 copy of it at about 1:20, then
# compares them twice: through our own JPEG 2000 reader (writing every
# output, the HTML page among them) and through GDAL (-u).
#
# usage: demo.sh BUILD_DIR
set -euo pipefail

build_dir=${1:?usage: demo.sh BUILD_DIR}
zarnik="$build_dir/app/zarnik"
here=$(cd "$(dirname "$0")" && pwd)
output=${DEMO_OUTPUT:-demo-output}
mkdir -p "$output"

original="$output/sample.tif"
compressed="$output/sample.jp2"
if [ ! -s "$original" ]; then
  echo "Making a 2048 x 2048 RGB sample original: $original"
  /usr/bin/python3 "$here/make-sample.py" "$original" 2048
  # Half-metre pixels in UTM zone 33, so the quality map lies on the
  # original in a GIS.
  gdal_edit.py -a_srs EPSG:32633 -a_ullr 500000 4601024 501024 4600000 "$original"
fi
if [ ! -s "$compressed" ]; then
  echo "Writing a JPEG 2000 copy at about 1:20: $compressed"
  # QUALITY is the target size in percent of the uncompressed image.
  gdal_translate -q -of JP2OpenJPEG -co QUALITY=5 -co BLOCKXSIZE=1024 -co BLOCKYSIZE=1024 \
    "$original" "$compressed"
fi

run() {
  echo
  echo "\$ zarnik $*"
  "$zarnik" "$@"
}

run -i "$original" -c "$compressed" -stat all -tn 64 \
  -best 2 -worst 2 -compareStat ssim -bestPrefix "$output/best_" -worstPrefix "$output/worst_" \
  -json "$output/report.json" -tileValues "$output/tiles.csv" -qualityMap "$output/quality-map.tif" \
  -html "$output/report.html"
run -i "$original" -c "$compressed" -stat all -tn 64 -u
echo
echo "Best and worst tiles, original (o) and compressed (c):"
ls "$output"/best_* "$output"/worst_*
echo
echo "JSON report, tile values, quality map and its quick look, and the page to open in a browser:"
ls "$output"/report.json "$output"/tiles.csv "$output"/quality-map.tif "$output"/quality-map.png \
  "$output"/report.html
