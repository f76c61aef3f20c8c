#!/usr/bin/env bash
# Measures what a campaign costs beyond its pairs' own runs. Makes the demo
# original (2048 x 2048 RGB) at four ratios through two encoders (GDAL's
# JPEG 2000 driver and opj_compress), then runs the eight pairs as one
# campaign and each alone, and reports per pair: the run's own seconds (the
# documents' "seconds"), the campaign's time beyond them, and the time of a
# separate run of the same pair. Leaves the campaign in WORK_DIR/campaign.
#
# usage: bench-campaign.sh BUILD_DIR [WORK_DIR] [zarnik options]
set -euo pipefail

build_dir=${1:?usage: bench-campaign.sh BUILD_DIR [WORK_DIR] [zarnik options]}
work=${2:-$build_dir/bench-campaign}
shift $(($# < 2 ? $# : 2))
options=("$@")
[ ${#options[@]} -gt 0 ] || options=(-stat all -tn 64)
zarnik=$(realpath "$build_dir/app/zarnik")
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$work"
cd "$work"

if [ ! -s scene.tif ]; then
  echo "Making the 2048 x 2048 original and its copies (once)..."
  /usr/bin/python3 "$here/make-sample.py" scene.tif 2048 >/dev/null
  gdal_translate -q -of PNM scene.tif scene.ppm
  for ratio in 10 20 40 80; do
    gdal_translate -q -of JP2OpenJPEG -co QUALITY=$((100 / ratio)) -co BLOCKXSIZE=1024 \
      -co BLOCKYSIZE=1024 scene.tif "gdal_r$ratio.jp2"
    opj_compress -i scene.ppm -o "opj_r$ratio.jp2" -r "$ratio" -t 512,512 >/dev/null
  done
  {
    echo "original,compressed,label"
    for ratio in 10 20 40 80; do
      echo "scene.tif,gdal_r$ratio.jp2,gdal"
      echo "scene.tif,opj_r$ratio.jp2,opj_compress"
    done
  } >pairs.csv
fi

rm -rf campaign
start=$EPOCHREALTIME
"$zarnik" -manifest pairs.csv -outDir campaign "${options[@]}" >campaign.log || true
campaign=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { print b - a }')

start=$EPOCHREALTIME
for ratio in 10 20 40 80; do
  for compressed in "gdal_r$ratio.jp2" "opj_r$ratio.jp2"; do
    "$zarnik" -i scene.tif -c "$compressed" "${options[@]}" -json alone.json >/dev/null || true
  done
done
alone=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { print b - a }')

/usr/bin/python3 - "$campaign" "$alone" campaign/0*.json <<'PY'
import json, sys
campaign, alone = float(sys.argv[1]), float(sys.argv[2])
runs = [json.load(open(name))["seconds"] for name in sys.argv[3:]]
pairs, own = len(runs), sum(runs)
overhead = (campaign - own) / pairs
print(f"{pairs} pairs: campaign {campaign:.2f} s, the runs' own seconds {own:.2f} s")
print(f"per pair: run {own / pairs:.3f} s, campaign beyond it {overhead:.3f} s "
      f"({100 * overhead / (own / pairs):.1f} %), a separate run {alone / pairs:.3f} s")
PY
