#!/usr/bin/env bash
# Runs two builds of the program on the same demo pairs and fails when any
# result differs: standard output and standard error without the timing
# lines, the exit code, the JSON report without its times, the tile values
# without their read times, the best and worst tile files, the regions file,
# and the quality map with its quick look. Pairs: the demo's 8-bit sample and
# a 16-bit copy of it, each with a JPEG 2000 copy of 1024-pixel tiles; both
# readers (built-in and -u), at 1, 2 and 8 threads.
#
# usage: compare-builds.sh OLD_ZARNIK NEW_ZARNIK [WORK_DIR]
set -euo pipefail

old=$(realpath "${1:?usage: compare-builds.sh OLD_ZARNIK NEW_ZARNIK [WORK_DIR]}")
new=$(realpath "${2:?usage: compare-builds.sh OLD_ZARNIK NEW_ZARNIK [WORK_DIR]}")
work=$(realpath -m "${3:-compare-output}")
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$work/pairs"
export LC_ALL=C

pairs="$work/pairs"
if [ ! -s "$pairs/sample8.jp2" ]; then
  /usr/bin/python3 "$here/make-sample.py" "$pairs/sample8.tif" 2048
  gdal_edit.py -a_srs EPSG:32633 -a_ullr 500000 4601024 501024 4600000 "$pairs/sample8.tif"
  gdal_translate -q -ot UInt16 -scale 0 255 0 65280 "$pairs/sample8.tif" "$pairs/sample16.tif"
  for bits in 8 16; do
    gdal_translate -q -of JP2OpenJPEG -co QUALITY=5 -co BLOCKXSIZE=1024 -co BLOCKYSIZE=1024 \
      "$pairs/sample$bits.tif" "$pairs/sample$bits.jp2"
  done
  # A random visit, recorded once, so that both builds replay the same tiles.
  "$new" -i "$pairs/sample8.tif" -c "$pairs/sample8.tif" -u -or ran -tn 40 -ts 200 -stat mse \
    -saveRegions "$pairs/random.bin" > /dev/null
fi

# One run of one build into its own folder: out.txt, err.txt, exit and files.
run() {
  local build=$1 folder=$2
  shift 2
  rm -rf "$folder"
  mkdir -p "$folder"
  local status=0
  # Both builds run as "zarnik", which a parse failure prints.
  (cd "$folder" && exec -a zarnik "$build" "$@" > out.raw 2> err.txt) || status=$?
  echo "$status" > "$folder/exit"
  # Read times, the elapsed seconds and the JSON's times vary from run to run.
  grep -v -e ' ms$' -e '^Completed successfully in ' "$folder/out.raw" |
    sed -E 's/"(seconds|minMs|avgMs|maxMs)": [^,}]*/"\1": T/' > "$folder/out.txt" || true
  rm "$folder/out.raw"
  if [ -f "$folder/r.json" ]; then
    sed -E -i 's/"(seconds|minMs|avgMs|maxMs)": [^,}]*/"\1": T/' "$folder/r.json"
  fi
  if [ -f "$folder/t.csv" ]; then
    sed -E -i -e 's/,[0-9-]+,[0-9-]+$//' -e '/^# complete$/d' "$folder/t.csv"
  fi
  # Builds before the completion marks wrote none: compare what precedes them.
  if [ -f "$folder/s.bin" ] && [ "$(tail -c 16 "$folder/s.bin")" = "regions complete" ]; then
    truncate -s -16 "$folder/s.bin"
  fi
}

option_sets=(
  "-stat all -tn 64 -best 2 -worst 2 -compareStat ssim -bestPrefix b_ -worstPrefix w_ -json r.json -tileValues t.csv -qualityMap m.tif -saveRegions s.bin"
  "-stat psnr,ssim -useRegions $pairs/random.bin -best 1 -worst 1 -bestPrefix b_ -worstPrefix w_ -tileValues t.csv -qualityMap m.tif"
  "-yuvy -stat all -ts 300 -bbox 100,50,1800,1900 -wiki -best 1 -bestPrefix b_"
  "-yuvY -stat mse,ms-ssim -tn 20 -json - -failBelow ms-ssim=0.99"
  "-stat mse -ts 128 -tn 30 -failAbove mse=1 -json r.json"
  "-stat ssim -useRegions missing.bin"
)

failures=0
runs=0
for bits in 8 16; do
  for reader in sdk gdal; do
    for threads in 1 2 8; do
      for index in "${!option_sets[@]}"; do
        name="$bits-bit $reader -threads $threads #$index"
        reader_option=()
        [ "$reader" = gdal ] && reader_option=(-u)
        # shellcheck disable=SC2206
        options=(-i "$pairs/sample$bits.tif" -c "$pairs/sample$bits.jp2" "${reader_option[@]}"
          -threads "$threads" ${option_sets[$index]})
        run "$old" "$work/old" "${options[@]}"
        run "$new" "$work/new" "${options[@]}"
        runs=$((runs + 1))
        if ! diff -r "$work/old" "$work/new" > "$work/diff.txt"; then
          failures=$((failures + 1))
          echo "DIFFERS: $name"
          diff -rq "$work/old" "$work/new" || true
          head -20 "$work/diff.txt"
        fi
      done
    done
  done
done
echo "$runs runs compared, $failures differ"
[ "$failures" -eq 0 ]
