#!/usr/bin/env bash
# Remakes the RLE8 files of this folder and their reference decodes with
# ImageMagick (Debian package imagemagick, 6.9.11-60). Not run by any test:
# the files are stored, and the tests compare our decode with the stored
# .ppm files. Usage: make.sh [CONVERT] (default /usr/bin/convert).
set -euo pipefail
cd "$(dirname "$0")"
convert=${1:-/usr/bin/convert}
photo=../corpus/jpeg/pillow/flower.jpg
for w in 61 62 63 64; do
  "$convert" "$photo" -resize "${w}x37!" -type Palette -compress RLE "BMP3:photo-$w.bmp"
  "$convert" "photo-$w.bmp" "photo-$w.ppm"
done
# Few colours, long runs: the last run of a row covers the row padding.
for w in 29 33; do
  "$convert" -size "${w}x11" gradient:red-blue -colors 6 -type Palette -compress RLE "BMP3:bands-$w.bmp"
  "$convert" "bands-$w.bmp" "bands-$w.ppm"
done
