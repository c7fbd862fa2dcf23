#!/usr/bin/env bash
# Installs the Debian 12 packages Gridcarver needs to build, test, benchmark, fuzz, run and package
# (dpkg-dev and file for the package's library dependencies, man-db to read its manual pages, lintian
# to check the package; slurm-wlm, munge, GNU parallel and hyperfine for the planned batches' tests
# and benchmark; relion gives the interop tests RELION's own MRC reader; clang's libFuzzer and
# sanitizer runtimes are in libclang-rt-14-dev, only recommended by clang).
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format clang-tidy
  libtiff-dev libtiff-tools libjpeg62-turbo-dev libcairo2-dev nlohmann-json3-dev
  libfftw3-dev libcli11-dev libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libqt6printsupport6 libgl-dev libx11-dev
  python3 python3-mrcfile python3-numpy python3-gemmi
  relion
  xvfb xauth imagemagick xdg-utils
  dpkg-dev file man-db lintian
  slurm-wlm munge parallel hyperfine
  clang libclang-rt-14-dev
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
