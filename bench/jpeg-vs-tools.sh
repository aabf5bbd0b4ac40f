#!/usr/bin/env bash
# Times whole zelvo-cli processes reading and writing JPEG against the JPEG
# library's own command-line tools doing the same, each pair in the same
# hyperfine run on the same photo, and prints each ratio (ours / tool's
# mean), the load average before and after, and whether the files match:
#   open JPEG to PPM      zelvo-cli decode in.jpg out.ppm      vs djpeg -ppm
#   open JPEG to PAM      zelvo-cli decode in.jpg out.pam      vs djpeg -ppm
#   save PPM as JPEG q80  zelvo-cli apply in.ppm out.jpg --quality 80 vs cjpeg -quality 80
# The photo is made at run time: the corpus's flower.jpg resampled
# (Lanczos3) to WIDTH x HEIGHT (4000 x 3000 by default, 12 megapixels);
# in.jpg is it saved by cjpeg at quality 90. Needs hyperfine and djpeg and
# cjpeg (Debian's libjpeg-turbo-progs).
#
#   bench/jpeg-vs-tools.sh [BUILD_DIR] [WIDTH] [HEIGHT] [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
width="${2:-4000}"
height="${3:-3000}"
runs="${4:-20}"
cli="$build/zelvo-cli"
[ -x "$cli" ] || { echo "no $cli; build first" >&2; exit 1; }
for tool in hyperfine djpeg cjpeg; do
  command -v "$tool" >/dev/null || { echo "$tool missing" >&2; exit 1; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/zelvo-jpeg-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
w=$work
"$cli" apply "$root/tests/data/corpus/jpeg/pillow/flower.jpg" "$w/photo.ppm" "Resample:Lanczos3,$width,$height"
cjpeg -quality 90 -outfile "$w/in.jpg" "$w/photo.ppm"

# One comparison: name, our command, the tool's command, our output, the
# tool's output (compared byte for byte from the first byte of the pixels
# for PAM, whose header differs).
compare() {
  local name=$1 ours=$2 theirs=$3 ourFile=$4 theirFile=$5
  hyperfine -N --warmup 2 --runs "$runs" --export-json "$w/t.json" "$ours" "$theirs" >/dev/null 2>"$w/warnings" || \
    { cat "$w/warnings" >&2; exit 1; }
  /usr/bin/python3 - "$w/t.json" "$name" "$ourFile" "$theirFile" <<'PY'
import json, os, sys
results = json.load(open(sys.argv[1]))["results"]
ours, theirs = results[0], results[1]
a, b = open(sys.argv[3], "rb").read(), open(sys.argv[4], "rb").read()
if a.startswith(b"P7"):
    a = a[a.index(b"ENDHDR\n") + 7:]
    b = b[b.index(b"255\n") + 4:]
same = "same bytes" if a == b else "files differ (%d vs %d bytes)" % (len(a), len(b))
print("%-22s ours %.1f ms (median %.1f)  tool %.1f ms (median %.1f)  ratio %.3f (median %.3f)  %s" % (
    sys.argv[2], 1000 * ours["mean"], 1000 * ours["median"], 1000 * theirs["mean"], 1000 * theirs["median"],
    ours["mean"] / theirs["mean"], ours["median"] / theirs["median"], same))
PY
}

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
compare "open JPEG to PPM" "$cli decode $w/in.jpg $w/ours.ppm" "djpeg -ppm -outfile $w/theirs.ppm $w/in.jpg" \
  "$w/ours.ppm" "$w/theirs.ppm"
compare "open JPEG to PAM" "$cli decode $w/in.jpg $w/ours.pam" "djpeg -ppm -outfile $w/theirs.ppm $w/in.jpg" \
  "$w/ours.pam" "$w/theirs.ppm"
compare "save PPM as JPEG q80" "$cli apply $w/photo.ppm $w/ours.jpg --quality 80" \
  "cjpeg -quality 80 -outfile $w/theirs.jpg $w/photo.ppm" "$w/ours.jpg" "$w/theirs.jpg"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
