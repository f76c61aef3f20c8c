#!/usr/bin/env bash
# Measures what -html adds to a run: runs the demo pair (made as `make demo`
# makes it) ROUNDS times without and with -html, alternating, and reports
# the median and smallest wall time and processor time of each, and the
# page's size. Further arguments are options for both runs (default: none,
# the default run).
#
# usage: bench-html.sh BUILD_DIR [ROUNDS] [zarnik options]
set -euo pipefail

build_dir=${1:?usage: bench-html.sh BUILD_DIR [ROUNDS] [zarnik options]}
rounds=${2:-10}
shift $(($# < 2 ? $# : 2))
zarnik=$(realpath "$build_dir/app/zarnik")
here=$(cd "$(dirname "$0")" && pwd)
work="$build_dir/bench-html"
mkdir -p "$work"
cd "$work"

if [ ! -s sample.tif ]; then
  /usr/bin/python3 "$here/make-sample.py" sample.tif 2048 >/dev/null
  gdal_translate -q -of JP2OpenJPEG -co QUALITY=5 -co BLOCKXSIZE=1024 -co BLOCKYSIZE=1024 \
    sample.tif sample.jp2
fi

: >times.txt
for ((round = 0; round < rounds; ++round)); do
  for mode in plain html; do
    extra=()
    [ "$mode" = html ] && extra=(-html page.html)
    /usr/bin/time -a -o times.txt -f "$mode %e %U %S" \
      "$zarnik" -i sample.tif -c sample.jp2 "$@" "${extra[@]}" >/dev/null
  done
done

/usr/bin/python3 - times.txt "$(stat -c %s page.html)" <<'PY'
import statistics, sys
runs = {"plain": [], "html": []}
for line in open(sys.argv[1]):
    mode, wall, user, system = line.split()
    runs[mode].append((float(wall), float(user) + float(system)))
for mode, values in runs.items():
    walls = [wall for wall, _ in values]
    cpus = [cpu for _, cpu in values]
    print(f"{mode:5}: wall median {statistics.median(walls):.3f} s, smallest {min(walls):.3f} s;"
          f" processor median {statistics.median(cpus):.3f} s")
def added(pick):
    plain, html = pick(runs["plain"]), pick(runs["html"])
    return html - plain, 100 * (html - plain) / plain
wall, wall_percent = added(lambda v: statistics.median(w for w, _ in v))
cpu, cpu_percent = added(lambda v: statistics.median(c for _, c in v))
print(f"-html adds {wall * 1000:.0f} ms wall ({wall_percent:.1f} %) and"
      f" {cpu * 1000:.0f} ms of processor time ({cpu_percent:.1f} %); page {int(sys.argv[2]):,} bytes")
PY
