#!/bin/sh
# Made the pictures of this folder once (ImageMagick 6.9.11 and exiftool
# 12.57 of Debian 12); the tests read the committed files and do not run
# this. Run from this folder: sh make-test-files.sh
set -eu
# A 35 x 21 picture (odd sides, not square) whose corners all differ: a
# red-green ramp, a blue band along the top and a white block near the
# left end of the bottom, so every turn and mirror gives other pixels.
/usr/bin/python3 - <<'PY'
w, h = 35, 21
rows = []
for y in range(h):
    for x in range(w):
        r, g, b = x * 7, y * 12, 200 if y < 4 else 40
        if y >= 15 and 2 <= x < 9:
            r, g, b = 255, 255, 255
        rows += [r, g, b]
open("base.ppm", "wb").write(b"P6\n%d %d\n255\n" % (w, h) + bytes(rows))
# A stand-in RGB colour profile (header, colour space "RGB ", one private
# tag) of 150 000 bytes: more than one APP2 segment holds, so it is split
# into three ICC_PROFILE chunks. Only its bytes matter to the tests.
size = 150000
head = bytearray(128)
head[0:4] = size.to_bytes(4, "big")
head[8:12] = bytes([2, 0x10, 0, 0])
head[12:16] = b"mntr"
head[16:20] = b"RGB "
head[20:24] = b"XYZ "
head[36:40] = b"acsp"
body = bytearray(4 + 12)
body[0:4] = (1).to_bytes(4, "big")
body[4:8] = b"zvtt"
body[8:12] = (144).to_bytes(4, "big")
body[12:16] = (size - 144).to_bytes(4, "big")
data = bytes(head) + bytes(body) + bytes((i * 31) & 255 for i in range(size - 144))
open("rgb.icc", "wb").write(data)
PY
/usr/bin/convert base.ppm -strip -sampling-factor 2x2 -quality 92 base.jpg
/usr/bin/convert base.ppm -resize 12x7! -strip -quality 80 thumb.jpg
for n in 1 2 3 4 5 6 7 8; do
  exiftool -q -n -Orientation=$n -Make=Zelvo -Model=Test \
    "-ThumbnailImage<=thumb.jpg" -o orient-$n.jpg base.jpg
  /usr/bin/convert orient-$n.jpg -auto-orient orient-$n.ppm
done
# EXIF (orientation 6, thumbnail), XMP (tiff:Orientation 6, a title) and
# the three-chunk colour profile, for the round trip.
exiftool -q -n -Orientation=6 -Make=Zelvo -Model=Test -XMP-tiff:Orientation=6 \
  -XMP-dc:Title="Zelvo round trip" "-ThumbnailImage<=thumb.jpg" "-ICC_Profile<=rgb.icc" \
  -o metadata.jpg base.jpg
# A PNG with a colour profile, text (tEXt, zTXt, iTXt) and a density.
/usr/bin/convert base.ppm -strip -define png:color-type=2 base.png
exiftool -q -PNG:Title="Zelvo" -PNG:Comment="a longer comment, kept as it was" \
  -XMP-dc:Description="described" -o text.png base.png
/usr/bin/python3 - <<'PY'
import struct, zlib
data = open("text.png", "rb").read()
def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xffffffff)
profile = open("rgb.icc", "rb").read()[:4096]
iccp = chunk(b"iCCP", b"stand-in\0\0" + zlib.compress(profile))
phys = chunk(b"pHYs", struct.pack(">IIB", 3780, 3780, 1))
ztxt = chunk(b"zTXt", b"Software\0\0" + zlib.compress(b"made for the tests"))
at = 8 + 25  # behind IHDR
open("metadata.png", "wb").write(data[:at] + iccp + phys + ztxt + data[at:])
PY
rm -f base.png text.png rgb.icc base.ppm base.jpg thumb.jpg
