#!/usr/bin/env bash
# The batch conversion people script, whole processes in the same run on the
# same files: COUNT JPEG photos of 12 megapixels (4000 x 3000) converted to
# half size with the Lanczos3 filter, once to PNG and once to JPEG
# (quality 80), by
#   zelvo-cli batch (one job per processor, its default),
#   vips resize run by xargs -P (one process per processor, vips at its
#     default concurrency),
#   ImageMagick mogrify (its default threads),
#   a Python script with Pillow and a pool of one process per processor.
# Prints the wall time of each (best of REPEATS), each tool's time over
# zelvo's (above 1: zelvo is ahead) and the output sizes, and checks that
# --jobs 1 gives the same files as the default on the first photos. Needs
# libvips-tools, imagemagick and python3-pil.
#
#   bench/batch-vs-tools.sh [BUILD_DIR] [COUNT] [REPEATS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
count="${2:-200}"
repeats="${3:-1}"
cli="$build/zelvo-cli"
python=/usr/bin/python3
jobs=$(nproc)
[ -x "$cli" ] || { echo "no $cli; build first" >&2; exit 1; }
for tool in vips mogrify; do
  command -v "$tool" >/dev/null || { echo "$tool missing" >&2; exit 1; }
done
"$python" -c "import PIL" 2>/dev/null || { echo "Pillow missing: apt-get install python3-pil" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/zelvo-batch-tools.XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in"

# A corpus photo enlarged to 4000 x 3000 with grain, then COUNT photos each
# a little brighter or darker, so no two files are the same.
"$cli" apply "$root/tests/data/corpus/jpeg/pillow/flower.jpg" "$work/base.ppm" \
  Resample:Lanczos3,4000,3000 Noise:12,0
seq 0 $((count - 1)) | xargs -P "$jobs" -I{} sh -c \
  "\"$cli\" apply \"$work/base.ppm\" \"$work/in/p\$(printf %03d {}).jpg\" --quality 90 Brightness:\$(({} % 41 - 20)) >/dev/null"

cat > "$work/pillow.py" <<'PY'
import os, sys
from multiprocessing import Pool
from PIL import Image
src, dst, ext = sys.argv[1], sys.argv[2], sys.argv[3]
def convert(name):
    with Image.open(os.path.join(src, name)) as im:
        small = im.resize((im.width // 2, im.height // 2), Image.LANCZOS)
        out = os.path.join(dst, os.path.splitext(name)[0] + "." + ext)
        if ext == "jpg":
            small.save(out, quality=80)
        else:
            small.save(out)
if __name__ == "__main__":
    names = sorted(n for n in os.listdir(src) if n.lower().endswith(".jpg"))
    with Pool(os.cpu_count()) as pool:
        pool.map(convert, names, chunksize=1)
PY

# Wall seconds of one run, to the centisecond.
run() {
  /usr/bin/time -o "$work/time" -f "%e" "$@" >/dev/null 2>&1
  cat "$work/time"
}
best() { printf '%s\n' "$@" | sort -n | head -1; }
ratio() { echo "scale=2; $1 / $2" | bc; }

echo "$count JPEG photos of 4000 x 3000 to half size (Lanczos3); processors: $jobs; best of $repeats"
for ext in png jpg; do
  zw=() vw=() mw=() pw=()
  for r in $(seq 1 "$repeats"); do
    for d in z v m p; do rm -rf "$work/$d"; mkdir "$work/$d"; done
    zw+=("$(run "$cli" batch "$work/in" "$work/z" --format "$ext" --quality 80 --scale 50 --filter Lanczos3)")
    if [ "$ext" = jpg ]; then vout='%s[Q=80]'; else vout='%s'; fi
    vw+=("$(run sh -c "cd \"$work/in\" && ls | xargs -P $jobs -I{} sh -c 'vips resize {} \"\$(printf \"$vout\" \"$work/v/\$(basename {} .jpg).$ext\")\" 0.5 --kernel lanczos3'")")
    mw+=("$(run mogrify -path "$work/m" -format "$ext" -quality 80 -filter Lanczos -resize 50% "$work/in/*.jpg")")
    pw+=("$(run "$python" "$work/pillow.py" "$work/in" "$work/p" "$ext")")
  done
  for d in z v m p; do
    n=$(ls "$work/$d" | wc -l)
    [ "$n" -eq "$count" ] || { echo "$d wrote $n files of $count" >&2; exit 1; }
  done
  z=$(best "${zw[@]}") v=$(best "${vw[@]}") m=$(best "${mw[@]}") p=$(best "${pw[@]}")
  echo "to $ext:"
  printf '  %-30s wall %7s s  %10d bytes\n' "zelvo-cli batch" "$z" "$(du -sb "$work/z" | cut -f1)" \
    "vips resize, xargs -P $jobs" "$v" "$(du -sb "$work/v" | cut -f1)" \
    "mogrify" "$m" "$(du -sb "$work/m" | cut -f1)" \
    "Pillow, pool of $jobs" "$p" "$(du -sb "$work/p" | cut -f1)"
  echo "  tool / zelvo (wall): vips $(ratio "$v" "$z")  mogrify $(ratio "$m" "$z")  Pillow $(ratio "$p" "$z")"
done

# The files do not depend on the number of jobs.
mkdir -p "$work/few" "$work/one" "$work/all"
ls "$work/in" | head -4 | while read -r f; do cp "$work/in/$f" "$work/few/"; done
"$cli" batch "$work/few" "$work/one" --format png --scale 50 --filter Lanczos3 --jobs 1 >/dev/null
"$cli" batch "$work/few" "$work/all" --format png --scale 50 --filter Lanczos3 >/dev/null
cmp -s <(cd "$work/one" && cat ./*) <(cd "$work/all" && cat ./*) || { echo "jobs changed the bytes" >&2; exit 1; }
echo "files the same with --jobs 1 and the default"
