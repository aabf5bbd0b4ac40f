#!/usr/bin/env bash
# Makes the JPEG XL test files of this folder from the source pictures in
# src/ (made by make-data.sh), once; the files are kept in the repository
# and the tests do not run this script. Needs libjxl's tools (apt
# libjxl-tools: cjxl, djxl, version 0.7). Every file gets a reference
# decode by djxl (*.ref.ppm; with alpha also *.ref.pam): the pixels our
# plug-in must give.
set -euo pipefail
cd "$(dirname "$0")"
rm -rf jxl
mkdir -p jxl/work
cjxl -q 100 src/rgb.ppm jxl/lossless.jxl
cjxl -d 1 -e 7 src/rgb.ppm jxl/lossy.jxl
cjxl -q 100 src/grey.pgm jxl/grey.jxl
cjxl -q 100 src/rgba.png jxl/alpha-lossless.jxl
# djxl writes grey as PGM and alpha as PAM whatever the name's extension;
# the references are RGB PPM files, the alpha one also kept as PAM.
for f in jxl/*.jxl; do
  djxl "$f" "jxl/work/$(basename "${f%.jxl}").ppm"
done
/usr/bin/python3 - <<'PY'
import glob, os
for path in sorted(glob.glob("jxl/work/*.ppm")):
    data = open(path, "rb").read()
    if data.startswith(b"P7"):
        head, pixels = data.split(b"ENDHDR\n", 1)
        tags = dict(line.split(b" ", 1) for line in head.split(b"\n")[1:] if b" " in line)
        width, height, channels = int(tags[b"WIDTH"]), int(tags[b"HEIGHT"]), int(tags[b"DEPTH"])
    else:
        magic, size, maxval, pixels = data.split(b"\n", 3)
        width, height = map(int, size.split())
        channels = 1 if magic == b"P5" else 3
    rgb = bytearray()
    for i in range(width * height):
        px = pixels[i * channels:(i + 1) * channels]
        rgb += px[:1] * 3 if channels < 3 else px[:3]
    stem = "jxl/" + os.path.basename(path)[:-4]
    open(stem + ".ref.ppm", "wb").write(b"P6\n%d %d\n255\n" % (width, height) + bytes(rgb))
    if channels == 4:
        open(stem + ".ref.pam", "wb").write(data)
PY
rm -r jxl/work
