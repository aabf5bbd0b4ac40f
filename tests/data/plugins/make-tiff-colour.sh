#!/usr/bin/env bash
# Makes the TIFF files of the kinds make-more-data.sh leaves out, once
# (the files are kept in the repository; the tests do not run this): 12-bit
# grey and 16-bit signed grey in tiff/ (make-tiff-colour.c over libtiff);
# in tiff/colour/ the files whose colours are converted or computed, which
# the tests hold to a mean error against their reference: CIE L*a*b* at 8
# and 16 bits (ImageMagick 6.9.11; the 8-bit one also in separate planes by tiffcp), CMYK
# with an ICC profile at 8 and 16 bits and 8 bits with JPEG compression
# (make-tiff-colour.c over libtiff and lcms2), and RGB with premultiplied
# (associated) alpha (ImageMagick).
#
# References: for 12-bit grey its samples as written (maxval 4095;
# ImageMagick 6.9.11 reads 12-bit samples shifted to 16 bits and back, a
# level or more off, and netpbm's tifftopnm refuses them); for signed grey
# ImageMagick's decode at 16 bits (it shows signed samples offset by
# 32768); for
# Lab and CMYK the source picture itself (src/rgb.ppm), which a
# colour-managed reader must come back to; for premultiplied alpha
# ImageMagick's decode (*.ref.ppm), which takes the alpha out.
#
# Needs ImageMagick (apt imagemagick), libtiff's tools and headers (apt
# libtiff-tools libtiff-dev), lcms2's headers (apt liblcms2-dev) and a C
# compiler. Libtiff writes no 16-bit CMYK with JPEG compression (JPEG holds
# at most 12 bits), so there is no such file.
set -euo pipefail
cd "$(dirname "$0")"
IM=/usr/bin/convert
mkdir -p tiff/colour work
trap 'rm -rf work' EXIT

cc -O2 -o work/make-tiff-colour make-tiff-colour.c $(pkg-config --cflags --libs libtiff-4 lcms2) -lm
work/make-tiff-colour src/rgb.ppm
$IM tiff/grey16-signed.tiff -depth 16 tiff/grey16-signed.ref.ppm

$IM src/rgb.ppm -colorspace Lab -compress None tiff/colour/lab8.tiff
$IM src/rgb.ppm -colorspace Lab -depth 16 -compress LZW tiff/colour/lab16.tiff
tiffcp -p separate -c zip tiff/colour/lab8.tiff tiff/colour/lab8-planes.tiff
$IM src/rgba.png -define tiff:alpha=associated -compress LZW tiff/colour/rgba8-associated.tiff
$IM 'tiff/colour/rgba8-associated.tiff[0]' -alpha off -depth 8 tiff/colour/rgba8-associated.ref.ppm
