#!/usr/bin/env bash
# Makes the WebP, TIFF, HEIC and AVIF test files of this folder from the
# source pictures in src/ (made by make-data.sh), once; the files are kept
# in the repository and the tests do not run this script. Needs libwebp's
# tools (apt webp: cwebp, dwebp, img2webp), libtiff's (apt libtiff-tools:
# tiffcp), ImageMagick (apt imagemagick, /usr/bin/convert) and libheif's
# (apt libheif-examples: heif-enc, heif-convert).
#
# Every file gets a reference decode by another program (*.ref.ppm, at 16
# bits for 16-bit TIFF files; for
# pictures with alpha also *.ref.pam with the alpha channel): the pixels
# our plug-ins must give.
set -euo pipefail
cd "$(dirname "$0")"
IM=/usr/bin/convert
rm -rf webp tiff heic avif work
mkdir -p webp tiff heic avif work

# Sources beyond make-data.sh's: 16-bit grey and colour with values that
# are not multiples of 257 (so that scaling to 8 bits must round), a
# second colour picture as the second page or frame, PNG copies.
/usr/bin/python3 - <<'PY'
W, H = 37, 23
with open("work/grey16.pgm", "wb") as f:
    f.write(b"P5\n%d %d\n65535\n" % (W, H))
    for y in range(H):
        for x in range(W):
            v = (x * 1771 + y * 2897 + 128) % 65536
            f.write(bytes((v >> 8, v & 255)))
with open("work/rgb16.ppm", "wb") as f:
    f.write(b"P6\n%d %d\n65535\n" % (W, H))
    for y in range(H):
        for x in range(W):
            for v in ((x * 1771 + 300) % 65536, (y * 2897 + x * 97) % 65536, (65535 - x * y * 61) % 65536):
                f.write(bytes((v >> 8, v & 255)))
with open("work/other.ppm", "wb") as f:
    f.write(b"P6\n%d %d\n255\n" % (W, H))
    f.write(bytes(v for y in range(H) for x in range(W) for v in ((x * 13) % 256, (y * 11) % 256, 90)))
PY
$IM src/rgb.ppm work/rgb.png
$IM work/other.ppm work/other.png

# WebP (cwebp, img2webp), read back by dwebp.
webp() { # name source options...
  local name=$1 source=$2
  shift 2
  cwebp -quiet "$@" "$source" -o "webp/$name.webp"
  dwebp -quiet "webp/$name.webp" -ppm -o "webp/$name.ref.ppm"
}
webp lossy work/rgb.png -q 80
webp lossy-small work/rgb.png -q 20 -m 6
webp lossless work/rgb.png -lossless
webp alpha-lossy src/rgba.png -q 80
webp alpha-lossless src/rgba.png -lossless -exact
for name in alpha-lossy alpha-lossless; do
  dwebp -quiet "webp/$name.webp" -pam -o "webp/$name.ref.pam"
done
# An animation of two lossless frames: the first frame is the picture
# (dwebp reads no animations; the source itself is the reference).
img2webp -lossless work/rgb.png -d 100 work/other.png -o webp/anim.webp
cp src/rgb.ppm webp/anim.ref.ppm

# TIFF: ImageMagick writes the files, tiffcp re-stores them in tiles, with
# other compressions and in separate planes; ImageMagick reads every one
# back (the first page). 16-bit files are read back at 16 bits: the test
# scales them to 8 bits with rounding, as the plug-in does (ImageMagick's
# own -depth 8 cuts 16-bit values down instead).
tiff_ref() { # name
  local depth=8
  case $1 in *16*) depth=16 ;; esac
  $IM "tiff/$1.tiff[0]" -alpha off -depth $depth "tiff/$1.ref.ppm"
}
im_tiff() { # name source options...
  local name=$1 source=$2
  shift 2
  $IM "$source" "$@" "tiff/$name.tiff"
  tiff_ref "$name"
}
cp_tiff() { # name source-name tiffcp-options...
  local name=$1 source=$2
  shift 2
  tiffcp "$@" "tiff/$source.tiff" "tiff/$name.tiff"
  tiff_ref "$name"
}
im_tiff bilevel-none src/mono.pbm -compress None
im_tiff bilevel-g4 src/mono.pbm -compress Group4
cp_tiff bilevel-tiled-lzw bilevel-none -c lzw -t -w 16 -l 16
im_tiff grey8-lzw src/grey.pgm -compress LZW
im_tiff grey8-miniswhite src/grey.pgm -compress None -define quantum:polarity=min-is-white
cp_tiff grey8-tiled-zip grey8-lzw -c zip -t -w 16 -l 16
im_tiff grey4 src/grey.pgm -depth 4 -compress None
im_tiff grey16-zip work/grey16.pgm -compress Zip
cp_tiff grey16-tiled-lzw grey16-zip -c lzw:2 -t -w 32 -l 16
im_tiff pal8-lzw src/c200.ppm -type Palette -compress LZW
im_tiff pal4 src/c16.ppm -type Palette -depth 4 -compress None
im_tiff rgb8-none src/rgb.ppm -compress None
im_tiff rgb8-lzw-predictor src/rgb.ppm -compress LZW -define tiff:predictor=2
cp_tiff rgb8-strips3-zip rgb8-none -c zip -r 3
cp_tiff rgb8-tiled-zip rgb8-none -c zip -t -w 16 -l 16
cp_tiff rgb8-planes-lzw rgb8-none -c lzw -p separate -r 5
cp_tiff rgb8-tiled-planes rgb8-none -c zip -p separate -t -w 16 -l 16
im_tiff rgb16-lzw work/rgb16.ppm -compress LZW
im_tiff rgb16-planes-zip work/rgb16.ppm -interlace Plane -compress Zip
im_tiff rgba8-lzw src/rgba.png -compress LZW
$IM "tiff/rgba8-lzw.tiff" -depth 8 "tiff/rgba8-lzw.ref.pam"
im_tiff rgb8-jpeg src/rgb.ppm -compress JPEG -quality 90
cp_tiff rgb8-ycbcr-jpeg rgb8-none -c jpeg:90 -r 16
im_tiff pages-lzw src/rgb.ppm work/other.ppm -compress LZW
# A file the plug-in refuses: floating-point samples.
mkdir -p tiff/refused
# (ImageMagick 6.9.11 writes the file, then fails on a predictor tag.)
$IM src/rgb.ppm -define quantum:format=floating-point -depth 32 -compress None tiff/refused/float32.tiff ||
  [ -s tiff/refused/float32.tiff ]

# HEIC (x265) and AVIF (libaom) through heif-enc, read back by
# heif-convert: the same libheif decoders.
heif() { # kind name source options...
  local kind=$1 name=$2 source=$3
  shift 3
  heif-enc "$@" "$source" -o "$kind/$name.$kind" >/dev/null
  heif-convert "$kind/$name.$kind" "work/$name.png" >/dev/null
  $IM "work/$name.png" -alpha off -depth 8 "$kind/$name.ref.ppm"
  case $name in alpha) $IM "work/$name.png" -depth 8 "$kind/$name.ref.pam" ;; esac
}
heif heic photo work/rgb.png -q 60
heif heic alpha src/rgba.png -q 60
heif avif photo work/rgb.png -A -q 60
heif avif alpha src/rgba.png -A -q 60
rm -rf work
