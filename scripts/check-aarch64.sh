#!/usr/bin/env bash
# Cross-builds the metric kernels, the plain reference kernels and the
# exactness test for 64-bit Arm and runs the test under user-mode emulation:
# every Arm target of the vector library that the emulated processor offers
# must give the reference's numbers bit for bit. Installs what it needs and
# does nothing there when all of it is present.
# Usage: scripts/check-aarch64.sh [build directory, default build-aarch64]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-aarch64}

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# The Arm libraries come from Debian's multiarch packages.
packages=(g++-aarch64-linux-gnu qemu-user cmake pkg-config libhwy-dev:arm64 libgtest-dev:arm64)
refresh=false
if ! dpkg --print-foreign-architectures | grep -qx arm64; then
  as_root dpkg --add-architecture arm64
  refresh=true # the package lists know no arm64 packages yet
fi
missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if $refresh || ! as_root apt-get install -y --no-install-recommends "${missing[@]}"; then
    as_root apt-get update
    as_root apt-get install -y --no-install-recommends "${missing[@]}"
  fi
fi

cmake -S scripts/aarch64-check -B "$build_dir" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/scripts/aarch64-toolchain.cmake"
cmake --build "$build_dir" -j2
qemu-aarch64 "$build_dir/metrics_exactness_test" --gtest_output="xml:$build_dir/exactness.xml"
# The targets the test went through, as it records them.
sed -n 's/.*name="targets" value="\([^"]*\)".*/Targets checked: \1/p' "$build_dir/exactness.xml"
