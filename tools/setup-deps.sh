#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the editor need,
# skipping the ones already present so a second run is fast.
set -euo pipefail
packages=(
  build-essential cmake ninja-build ccache pkg-config clang
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libjpeg62-turbo-dev libjpeg-turbo-progs
  qt6-base-dev qt6-base-dev-tools libqt6svg6-dev libgl-dev
  xvfb xauth x11-utils fonts-noto-cjk desktop-file-utils
  xdotool
  libsane-dev libsane1 sane-utils libxcb1-dev libxcb-xfixes0-dev poppler-utils
  libwebp-dev libtiff-dev libheif-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
