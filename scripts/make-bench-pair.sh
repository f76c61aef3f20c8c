#!/usr/bin/env bash
# Makes the benchmarks' 8000 x 8000 RGB pair in CACHE_DIR once: original.tif
# (a tiled GeoTIFF), tiled-1024.jp2 (its JPEG 2000 copy at about 1:20 in
# 1024 x 1024 tiles) and, with `single`, single-tile.jp2 (the same copy as
# one tile). Files already there are kept.
#
# usage: make-bench-pair.sh CACHE_DIR [single]
set -euo pipefail

cache=${1:?usage: make-bench-pair.sh CACHE_DIR [single]}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$cache"
original="$cache/original.tif"

if [ ! -s "$original" ]; then
  echo "Making the 8000 x 8000 original (once)..."
  /usr/bin/python3 "$here/make-sample.py" "$original" 8000 11
fi
encode() {
  local file=$1 block=$2
  if [ ! -s "$file" ]; then
    echo "Encoding the JPEG 2000 copy in $block x $block tiles (once)..."
    gdal_translate -q -of JP2OpenJPEG -co QUALITY=5 -co BLOCKXSIZE="$block" \
      -co BLOCKYSIZE="$block" "$original" "$file"
  fi
}
encode "$cache/tiled-1024.jp2" 1024
if [ "${2:-}" = single ]; then
  encode "$cache/single-tile.jp2" 8000
fi
