#!/usr/bin/env bash
# Peak memory of reading one small window from a JPEG 2000 file of more than
# 1 GB through the built-in reader. The file is random noise compressed
# losslessly in 1024-pixel tiles, as a raw codestream; it is made once under BUILD_DIR/bench-cache
# and kept there (it takes a few minutes and about 2 GB of disk while made).
#
# usage: bench-large-jp2.sh BUILD_DIR [ZARNIK_BINARY]
set -euo pipefail

build_dir=${1:?usage: bench-large-jp2.sh BUILD_DIR [ZARNIK_BINARY]}
zarnik=${2:-$build_dir/app/zarnik}
cache="$build_dir/bench-cache"
size=19000 # 19000 x 19000 x 3 bytes of noise: 1.08 GB before and after compression
large="$cache/noise-$size.j2k"
original="$cache/noise-$size.vrt"

mkdir -p "$cache"
if [[ ! -f "$large" ]]; then
  raw="$cache/noise-$size.raw"
  partial="$cache/partial-noise-$size.j2k" # the extension tells GDAL to write a codestream
  head -c $((size * size * 3)) /dev/urandom > "$raw"
  # The raw bytes seen as a pixel-interleaved RGB image.
  {
    echo "<VRTDataset rasterXSize=\"$size\" rasterYSize=\"$size\">"
    for band in 1 2 3; do
      echo "  <VRTRasterBand dataType=\"Byte\" band=\"$band\" subClass=\"VRTRawRasterBand\">"
      echo "    <SourceFilename relativetoVRT=\"1\">$(basename "$raw")</SourceFilename>"
      echo "    <ImageOffset>$((band - 1))</ImageOffset><PixelOffset>3</PixelOffset>"
      echo "    <LineOffset>$((size * 3))</LineOffset>"
      echo "  </VRTRasterBand>"
    done
    echo "</VRTDataset>"
  } > "$original"
  gdal_translate -q -of JP2OpenJPEG -co REVERSIBLE=YES -co QUALITY=100 -co YCC=NO \
    -co BLOCKXSIZE=1024 -co BLOCKYSIZE=1024 -co RESOLUTIONS=1 "$original" "$partial"
  mv "$partial" "$large"
fi
ls -l "$large"

# One 256 x 256 tile from the middle of the image, original against the file
# itself read by the built-in reader.
/usr/bin/time -v "$zarnik" -i "$original" -c "$large" -ts 256 -tn 1 \
  -bbox 9000,9000,9255,9255 2>&1 >/dev/null | grep -E "Maximum resident|Elapsed"
