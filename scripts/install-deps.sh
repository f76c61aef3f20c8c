#!/usr/bin/env bash
# Installs everything the build, the tests, the benchmarks, the fuzz targets
# and the demo need, and does nothing when all of it is already present.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  libgdal-dev gdal-bin
  libopenjp2-7-dev libopenjp2-tools
  libhwy-dev zlib1g-dev
  libjs-chart.js libjs-leaflet chromium
  libgtest-dev libgmock-dev libbenchmark-dev
  locales
  python3 python3-numpy python3-gdal python3-skimage time
  clang libclang-rt-14-dev
  slurm-wlm munge parallel
)
# Tests check digit grouping and the decimal comma under these locales.
locales_wanted=(en_US.UTF-8 de_DE.UTF-8)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # A fresh machine may have no package lists yet; refresh them only when
  # the first attempt cannot find what it needs.
  if ! as_root apt-get install -y --no-install-recommends "${missing[@]}"; then
    as_root apt-get update
    as_root apt-get install -y --no-install-recommends "${missing[@]}"
  fi
fi

have_locales=$(locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | sed 's/utf-8/utf8/')
to_generate=()
for wanted in "${locales_wanted[@]}"; do
  normalised=$(echo "$wanted" | tr '[:upper:]' '[:lower:]' | sed 's/utf-8/utf8/')
  grep -qx "$normalised" <<<"$have_locales" || to_generate+=("$wanted")
done
if [ "${#to_generate[@]}" -gt 0 ]; then
  echo "Generating locales: ${to_generate[*]}"
  for wanted in "${to_generate[@]}"; do
    line="$wanted UTF-8"
    grep -qx "$line" /etc/locale.gen 2>/dev/null || echo "$line" | as_root tee -a /etc/locale.gen >/dev/null
  done
  as_root locale-gen
fi
