#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests, the benchmarks and the tools use
# (clang with its sanitizer and libFuzzer run-times, and llvm-symbolizer, for the sanitized
# tests and the fuzz targets).
# Only what is missing is installed; without root it prints the exact command and fails.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libgl-dev libglu1-mesa-dev libegl-dev libegl-mesa0 libgl1-mesa-dri
  libsdl2-dev libmpg123-dev libsndfile1-dev libfftw3-dev
  nlohmann-json3-dev libstb-dev
  libgtest-dev googletest libbenchmark-dev
  xvfb xauth xfonts-base xdotool ffmpeg
  clang libclang-rt-14-dev llvm
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "deps: all ${#packages[@]} packages present"
  exit 0
fi

cmd="apt-get install -y ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "deps: missing packages: ${missing[*]}" >&2
  echo "deps: run as root:  apt-get update && $cmd" >&2
  exit 1
fi

echo "deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
$cmd
