#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the editor need,
# skipping the ones already present so a second run is fast.
set -euo pipefail
packages=(
  # The build: compilers, CMake, and the libraries the editor links.
  build-essential cmake ninja-build ccache pkg-config clang
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libjpeg62-turbo-dev libdeflate-dev
  qt6-base-dev qt6-base-dev-tools libqt6svg6-dev libgl-dev
  # the interface's translations: lupdate and lrelease (CMake's Qt6LinguistTools)
  qt6-tools-dev qt6-l10n-tools
  libsane-dev libsane1 libxcb1-dev libxcb-xfixes0-dev
  libwebp-dev libtiff-dev libheif-dev libjxl-dev
  # the TIFF plug-in's Lab and CMYK colours
  liblcms2-dev
  # the decoder process's system-call filter (zelvo-decode)
  libseccomp-dev
  # Every program a test runs, by the tests that run it:
  # the screenshot, capture and undo-kill tests: xvfb-run, xauth, xwininfo
  # (x11-utils), xdotool, and the Japanese captions' font
  xvfb xauth x11-utils xdotool fonts-noto-cjk
  # the help browser test: xdg-open (xdg-utils), which asks file for the
  # page's MIME type
  xdg-utils file
  # the install test: desktop-file-validate and update-desktop-database
  # (desktop-file-utils), update-mime-database (shared-mime-info)
  desktop-file-utils shared-mime-info
  # the package test: lintian, appstreamcli (appstream), the manual pages
  # check (man-db) and the zsh completion's syntax check (zsh)
  lintian appstream man-db zsh
  # the portal tests run the stand-in portal on a private session bus
  # (dbus-run-session)
  dbus-daemon
  # the JPEG tests compare with djpeg and cjpeg
  libjpeg-turbo-progs
  # the writers' round trips decode with dwebp, tiffinfo/ImageMagick,
  # heif-convert and djxl, and read the metadata back with exiftool
  webp libtiff-tools imagemagick libheif-examples libjxl-tools libimage-exiftool-perl
  # the scanner tests compare with scanimage
  sane-utils
  # the print tests read the printed PDF with pdftoppm and pdfinfo
  poppler-utils
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
