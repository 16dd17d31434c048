#!/usr/bin/env bash
# Installs every package kanvo needs to build, test and benchmark. Idempotent:
# when everything is present it only asks dpkg and returns.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  libgtest-dev libbenchmark-dev nlohmann-json3-dev
  zlib1g-dev liblz4-dev libpng-dev
  qt6-base-dev libqt6opengl6-dev
  qt6-multimedia-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  clang libclang-rt-14-dev
  libpixman-1-dev libjpeg62-turbo-dev
  libcairo2-dev libopencv-imgproc-dev libmypaint-dev
  imagemagick xvfb xauth xdotool
  fonts-ipafont-gothic desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
