#!/bin/sh
# Whole-process timings of zelvo-cli's histogram equalisation and
# normalisation beside vips hist_equal, single-threaded, in one hyperfine run
# so the machine's load falls on every tool alike. Also times each tool's
# bare load and save of the same picture, so that the summary can give the
# ratio of the operations alone.
#
# zelvo-cli reads and writes 24-bit BMP, vips binary PPM; make-pictures.py
# writes both with the same pixels (big: 4000 x 3000).
#
# usage: histogram-peers.sh ZELVO_CLI PICTURE_DIR OUT_DIR [RUNS]
# Needs hyperfine and vips (libvips-tools), for measuring only.
set -eu

cli=$1
pics=$2
out=$3
runs=${4:-10}

export VIPS_CONCURRENCY=1
mkdir -p "$out"
here=$(dirname "$0")

hyperfine -N --warmup 2 --runs "$runs" --export-json "$out/histogram.json" \
    -n zelvo-equalize "$cli apply $pics/big.bmp $out/z.bmp Equalize" \
    -n zelvo-normalize "$cli apply $pics/big.bmp $out/z.bmp Normalize" \
    -n vips-hist_equal "vips hist_equal $pics/big.ppm $out/v.ppm" \
    -n zelvo-bare "$cli apply $pics/big.bmp $out/z.bmp" \
    -n vips-bare "vips copy $pics/big.ppm $out/v.ppm"
/usr/bin/python3 "$here/hyperfine-ratios.py" "$out/histogram.json"
