#!/usr/bin/env bash
# Times a whole `zelvo-cli apply` writing PNG against `vips pngsave` (its
# defaults) in the same run, taking turns, both from the same PPM, and compares
# our file's size with `vips pngsave --filter all` (every filter tried per
# row, as we do). Two pictures: the 4000 x 3000 benchmark photo (a corpus
# photo enlarged, with sensor-like grain; written by PngBench) and a
# 1920 x 1080 screen shot drawn with ImageMagick (panels, text, a photo).
# Needs libvips-tools and imagemagick.
#
#   bench/png-vs-vips.sh [BUILD_DIR] [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
runs="${2:-9}"
for tool in vips convert; do
  command -v "$tool" >/dev/null || { echo "$tool missing" >&2; exit 1; }
done
cmake -S "$root" -B "$build" -DZELVO_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target zelvo-cli PngBench >/dev/null
cli="$build/zelvo-cli"

work="$(mktemp -d "${TMPDIR:-/tmp}/zelvo-png-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
"$build/bench/PngBench" --write-photo "$work/photo-in.png" "$work/photo.bmp"
"$cli" apply "$work/photo.bmp" "$work/photo.ppm"

text=()
for i in $(seq 0 58); do
  text+=(-annotate "+270+$((96 + 16 * i))" "$(printf '%03d  src/formats/PngEncoder.cpp: the filtered rows deflated in pieces on the pool, %d bytes' "$i" "$((i * 7919))")")
done
convert -size 1920x1080 xc:'#eff0f1' \
  -fill '#2b579a' -draw 'rectangle 0,0 1919,31' \
  -fill '#fafafa' -draw 'rectangle 0,32 1919,60' \
  -fill '#dcdfe3' -draw 'rectangle 0,61 250,1079' \
  -fill white -draw 'rectangle 260,70 1300,1060' \
  -font DejaVu-Sans -pointsize 13 -fill '#202020' "${text[@]}" \
  -fill white -pointsize 14 -annotate +12+21 'Zelvo - photo.png' \
  \( "$root/tests/data/corpus/jpeg/pillow/flower.jpg" -resize 560x420! \) -geometry +1330+90 -composite \
  -depth 8 "$work/screen.ppm"

# One run: wall and processor seconds (user + system). The two commands
# take turns, so a machine shared with other work slows both alike; the
# median of RUNS turns is kept.
run() {
  /usr/bin/time -o "$work/time" -f "%e %U %S" "$@" >/dev/null 2>&1
  awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' "$work/time"
}
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { echo "scale=3; $1 / $2" | bc; }
for picture in photo screen; do
  in="$work/$picture.ppm"
  zw=() zc=() vw=() vc=()
  for r in $(seq 1 "$runs"); do
    read -r w c < <(run "$cli" apply "$in" "$work/z.png"); zw+=("$w"); zc+=("$c")
    read -r w c < <(run vips pngsave "$in" "$work/v.png"); vw+=("$w"); vc+=("$c")
  done
  vips pngsave "$in" "$work/all.png" --filter all
  z=$(median "${zw[@]}") v=$(median "${vw[@]}") zcpu=$(median "${zc[@]}") vcpu=$(median "${vc[@]}")
  sz=$(stat -c %s "$work/z.png") sv=$(stat -c %s "$work/v.png") sa=$(stat -c %s "$work/all.png")
  printf '%-7s wall zelvo %s s, vips pngsave %s s: %s x (processor %s s, %s s: %s x)\n' \
    "$picture" "$z" "$v" "$(ratio "$z" "$v")" "$zcpu" "$vcpu" "$(ratio "$zcpu" "$vcpu")"
  printf '        size zelvo %d, vips pngsave %d, vips --filter all %d: %s x\n' "$sz" "$sv" "$sa" "$(ratio "$sz" "$sa")"
done
