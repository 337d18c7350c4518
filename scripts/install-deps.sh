#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, benchmark and fuzz.
# Idempotent: packages already present are left alone and the package index is
# refreshed at most once per run, only when something is missing.
set -euo pipefail

packages=(
  # toolchain and test frameworks
  build-essential cmake ninja-build pkg-config git
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  # system dependencies
  libboost-dev libboost-thread-dev libboost-date-time-dev libboost-system-dev
  libbson-dev libjsoncpp-dev
  # codec and window layer
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libx264-dev
  libturbojpeg0-dev libjpeg62-turbo-dev libjpeg-turbo-progs
  libx11-dev libxext-dev libpango1.0-dev libcairo2-dev libpng-dev
  fonts-wqy-zenhei xvfb xauth ffmpeg
  # benchmark references
  libspdlog-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
