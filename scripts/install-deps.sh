#!/usr/bin/env bash
# Installs every Debian 12 package the project needs to build, test, fuzz
# and benchmark. Idempotent: installs only what is missing.
set -euo pipefail

packages=(
  # toolchain
  g++ make cmake ninja-build pkg-config git
  clang libclang-rt-14-dev            # libFuzzer and sanitizer runtimes for the fuzz build
  # libraries
  libavcodec-dev libavutil-dev libswscale-dev   # H.264 decoding; sample generation (libx264)
  libsdl2-dev                                   # sound output
  libfreetype-dev libfontconfig-dev fonts-dejavu-core  # on-screen text
  libpng-dev                                    # watermark picture
  qt6-base-dev qt6-qpa-plugins                 # the player program (Widgets, Test; offscreen platform)
  libqt6sql6-sqlite                             # Qt SQL's SQLite driver: the map's offline MBTiles files
  libqt6opengl6-dev                             # its video windows through OpenGL
  libgtest-dev libbenchmark-dev
  # tools used by tests and benchmarks
  ffmpeg
  dosfstools mtools                             # card volumes: mkfs.fat, mcopy, mtype
  libxml2-utils                                 # xmllint: GPX tracks against the GPX 1.1 structure
  xvfb xauth fonts-wqy-microhei                 # screenshots of the program under Xvfb, with CJK text
  libgl1-mesa-dri                               # OpenGL under Xvfb (the video windows' GPU path)
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
