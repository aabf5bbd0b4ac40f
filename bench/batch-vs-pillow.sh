#!/usr/bin/env bash
# Times `zelvo-cli batch` converting 50 JPEG photos of about one megapixel
# to PNG at 50 % with the Lanczos3 filter, against one Python process doing
# the same with Pillow (open, resize with LANCZOS, save PNG), in the same
# run on the same files. Prints the best of REPEATS runs of each and the
# ratio. Needs /usr/bin/python3 with Pillow (Debian: python3-pil).
#
#   bench/batch-vs-pillow.sh [BUILD_DIR] [REPEATS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
repeats="${2:-3}"
cli="$build/zelvo-cli"
python=/usr/bin/python3
[ -x "$cli" ] || { echo "no $cli; build first" >&2; exit 1; }
"$python" -c "import PIL" 2>/dev/null || { echo "Pillow missing: apt-get install python3-pil" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/zelvo-batch-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in"

# 50 photos of 1152 x 864 (0.995 MP) made from a corpus photo, each a little
# brighter or darker so no two files are the same.
photo="$root/tests/data/corpus/jpeg/pillow/flower.jpg"
for i in $(seq 0 49); do
  "$cli" apply "$photo" "$work/in/p$(printf %02d "$i").jpg" --quality 90 \
    Resample:Lanczos3,1152,864 "Brightness:$((i - 25))"
done

cat > "$work/pillow.py" <<'EOF'
import os, sys
from PIL import Image
src, dst = sys.argv[1], sys.argv[2]
for name in sorted(os.listdir(src)):
    if not name.lower().endswith(".jpg"):
        continue
    with Image.open(os.path.join(src, name)) as im:
        small = im.resize((im.width // 2, im.height // 2), Image.LANCZOS)
        small.save(os.path.join(dst, os.path.splitext(name)[0] + ".png"))
EOF

# One run of a command: wall seconds and processor seconds (user + system),
# both to the centisecond. The machine may be shared, so the processor time
# is the steadier figure.
run() {
  /usr/bin/time -o "$work/time" -f "%e %U %S" "$@" >/dev/null 2>&1
  awk '{ printf "%.2f %.2f\n", $1, $2 + $3 }' "$work/time"
}
best() { printf '%s\n' "$@" | sort -n | head -1; }

wall1=() cpu1=() wallN=() cpuN=() wallP=() cpuP=()
for r in $(seq 1 "$repeats"); do
  for d in z1 zn py; do rm -rf "$work/$d"; mkdir "$work/$d"; done
  read -r w c < <(run nice "$cli" batch "$work/in" "$work/z1" --format png --scale 50 --filter Lanczos3 --jobs 1)
  wall1+=("$w"); cpu1+=("$c")
  read -r w c < <(run nice "$cli" batch "$work/in" "$work/zn" --format png --scale 50 --filter Lanczos3)
  wallN+=("$w"); cpuN+=("$c")
  read -r w c < <(run nice "$python" "$work/pillow.py" "$work/in" "$work/py")
  wallP+=("$w"); cpuP+=("$c")
done
cmp -s <(cd "$work/z1" && cat ./*.png) <(cd "$work/zn" && cat ./*.png) || { echo "jobs changed the bytes" >&2; exit 1; }

ratio() { echo "scale=2; $1 / $2" | bc; }
w1=$(best "${wall1[@]}"); c1=$(best "${cpu1[@]}")
wn=$(best "${wallN[@]}"); cn=$(best "${cpuN[@]}")
wp=$(best "${wallP[@]}"); cp=$(best "${cpuP[@]}")
echo "files: $(ls "$work/z1" | wc -l) PNG from $(ls "$work/in" | wc -l) JPEG of 1152 x 864; processors: $(nproc); best of $repeats"
printf '%-34s wall %6s s  cpu %6s s\n' "zelvo-cli batch --jobs 1" "$w1" "$c1" \
  "zelvo-cli batch (jobs $(nproc))" "$wn" "$cn" "Python + Pillow, one process" "$wp" "$cp"
echo "Pillow / zelvo, 1 job:    wall $(ratio "$wp" "$w1")  cpu $(ratio "$cp" "$c1")"
echo "Pillow / zelvo, $(nproc) jobs:   wall $(ratio "$wp" "$wn")  cpu $(ratio "$cp" "$cn")"
echo "output bytes: zelvo $(du -sb "$work/z1" | cut -f1), Pillow $(du -sb "$work/py" | cut -f1)"
