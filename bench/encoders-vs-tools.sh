#!/usr/bin/env bash
# Times whole zelvo-cli processes writing and reading WebP, AVIF, JPEG XL and
# TIFF against each format's own command-line tool doing the same from and
# to PPM, in the same hyperfine run on the same photo, and prints each
# ratio (ours / tool's mean, and of the medians, which a run slowed by the
# machine moves less) and the two file sizes:
#   WebP lossy q80        zelvo-cli apply --quality 80   vs cwebp -q 80
#   WebP lossless         zelvo-cli apply --lossless     vs cwebp -lossless
#   AVIF q60              zelvo-cli apply --quality 60   vs heif-enc -A -q 60 (same aom speed; both
#                         from a PNG, which heif-enc needs)
#   JPEG XL d1 e7         zelvo-cli apply                vs cjxl -d 1 -e 7
#   TIFF LZW              zelvo-cli apply --compression lzw vs vips tiffsave --compression lzw
#   opening each file     zelvo-cli decode to PPM        vs dwebp, heif-convert, djxl, vips copy
#   decoder process       zelvo-cli decode as above      vs the same with the plug-in run inside
#                         zelvo-cli (no decoder process): the ratio is what the decoder
#                         process and its transport of the picture add
# The photo is a corpus picture resampled to WIDTH x HEIGHT (4000 x 3000 by
# default). Needs hyperfine, webp, libheif-examples, libjxl-tools and
# libvips-tools.
#
#   bench/encoders-vs-tools.sh [BUILD_DIR] [WIDTH] [HEIGHT] [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
width="${2:-4000}"
height="${3:-3000}"
runs="${4:-5}"
cli="$build/zelvo-cli"
[ -x "$cli" ] || { echo "no $cli; build first" >&2; exit 1; }
for tool in hyperfine cwebp dwebp heif-enc heif-convert cjxl djxl vips; do
  command -v "$tool" >/dev/null || { echo "$tool missing" >&2; exit 1; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/zelvo-encoders-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
"$cli" apply "$root/tests/data/corpus/jpeg/pillow/flower.jpg" "$work/photo.ppm" \
  "Resample:Lanczos3,$width,$height"
# heif-enc reads no PPM: both sides of the AVIF comparison start from a PNG.
"$cli" apply "$work/photo.ppm" "$work/photo.png"
# Reference files to open, written by the tools.
cwebp -quiet -q 80 "$work/photo.ppm" -o "$work/in.webp"
heif-enc -A -q 60 "$work/photo.png" -o "$work/in.avif" >/dev/null
cjxl -d 1 -e 7 "$work/photo.ppm" "$work/in.jxl" >/dev/null 2>&1
vips tiffsave "$work/photo.ppm" "$work/in.tif" --compression lzw

# One comparison: name, our command, the tool's command, our output, the tool's output.
compare() {
  local name=$1 ours=$2 theirs=$3 ourFile=$4 theirFile=$5
  hyperfine --warmup 1 --runs "$runs" --export-json "$work/t.json" -N "$ours" "$theirs" >/dev/null 2>&1 || \
    hyperfine --warmup 1 --runs "$runs" --export-json "$work/t.json" "$ours" "$theirs" >/dev/null
  /usr/bin/python3 - "$work/t.json" "$name" "$ourFile" "$theirFile" <<'PY'
import json, os, sys
results = json.load(open(sys.argv[1]))["results"]
ours, theirs = results[0]["mean"], results[1]["mean"]
medians = results[0]["median"] / results[1]["median"]
sizes = ""
if sys.argv[3] != "-" and os.path.exists(sys.argv[3]) and os.path.exists(sys.argv[4]):
    a, b = os.path.getsize(sys.argv[3]), os.path.getsize(sys.argv[4])
    sizes = "  size %d vs %d bytes (%+.2f %%)" % (a, b, 100.0 * (a - b) / b)
print("%-22s ours %.3f s  tool %.3f s  ratio %.3f (medians %.3f)%s" % (sys.argv[2], ours, theirs, ours / theirs,
                                                                     medians, sizes))
PY
}

w=$work
compare "WebP lossy q80" "$cli apply $w/photo.ppm $w/ours.webp --quality 80" \
  "cwebp -quiet -q 80 $w/photo.ppm -o $w/theirs.webp" "$w/ours.webp" "$w/theirs.webp"
compare "WebP lossless" "$cli apply $w/photo.ppm $w/ours-ll.webp --lossless" \
  "cwebp -quiet -lossless $w/photo.ppm -o $w/theirs-ll.webp" "$w/ours-ll.webp" "$w/theirs-ll.webp"
compare "AVIF q60" "$cli apply $w/photo.png $w/ours.avif --quality 60" \
  "heif-enc -A -q 60 $w/photo.png -o $w/theirs.avif" "$w/ours.avif" "$w/theirs.avif"
compare "JPEG XL d1 e7" "$cli apply $w/photo.ppm $w/ours.jxl" \
  "cjxl -d 1 -e 7 $w/photo.ppm $w/theirs.jxl" "$w/ours.jxl" "$w/theirs.jxl"
compare "TIFF LZW" "$cli apply $w/photo.ppm $w/ours.tif --compression lzw" \
  "vips tiffsave $w/photo.ppm $w/theirs.tif --compression lzw" "$w/ours.tif" "$w/theirs.tif"
compare "open WebP" "$cli decode $w/in.webp $w/o1.ppm" "dwebp -quiet $w/in.webp -ppm -o $w/t1.ppm" - -
compare "open AVIF" "$cli decode $w/in.avif $w/o2.ppm" "heif-convert $w/in.avif $w/t2.png" - -
compare "open JPEG XL" "$cli decode $w/in.jxl $w/o3.ppm" "djxl $w/in.jxl $w/t3.ppm" - -
compare "open TIFF" "$cli decode $w/in.tif $w/o4.ppm" "vips copy $w/in.tif $w/t4.ppm" - -
# The plug-ins inside zelvo-cli: no decoder program to start, and the
# settings let them run in the process instead.
mkdir -p "$w/config/zelvo"
printf '[Settings]\nPluginsInProcess=1\n' >"$w/config/zelvo/Zelvo.ini"
inside="env XDG_CONFIG_HOME=$w/config ZELVO_DECODE=$w/none $cli"
compare "decoder process WebP" "$cli decode $w/in.webp $w/o1.ppm" "$inside decode $w/in.webp $w/t1.ppm" - -
compare "decoder process AVIF" "$cli decode $w/in.avif $w/o2.ppm" "$inside decode $w/in.avif $w/t2.ppm" - -
compare "decoder process JXL" "$cli decode $w/in.jxl $w/o3.ppm" "$inside decode $w/in.jxl $w/t3.ppm" - -
compare "decoder process TIFF" "$cli decode $w/in.tif $w/o4.ppm" "$inside decode $w/in.tif $w/t4.ppm" - -
