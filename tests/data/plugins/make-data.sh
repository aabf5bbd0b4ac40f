#!/usr/bin/env bash
# Makes the TGA and PCX test files of this folder, once; the files are kept
# in the repository and the tests do not run this script. Needs ImageMagick
# (apt imagemagick, called as /usr/bin/convert) and netpbm (apt netpbm).
#
# The source pictures are made here from a small formula, so the script
# gives the same files again with the same tools. Every written file gets
# a reference decode by the tool family that wrote it (*.ref.ppm: what that
# tool reads back), and the tests compare our plug-ins' pixels with it.
set -euo pipefail
cd "$(dirname "$0")"
IM=/usr/bin/convert
rm -rf tga pcx src
mkdir -p tga pcx src

# 37 x 23 pictures (odd width: rows need padding in every depth).
python3 - <<'PY'
W, H = 37, 23
def ppm(name, pix, maxval=255):
    with open(name, "wb") as f:
        f.write(b"P6\n%d %d\n%d\n" % (W, H, maxval))
        f.write(bytes(v for p in pix for v in p))
rgb = [((x * 7 + y * 3) % 256, (x * y * 5 + 40) % 256, (255 - x * 6 - y * 2) % 256) for y in range(H) for x in range(W)]
ppm("src/rgb.ppm", rgb)
# At most 16 colours: a 4 x 4 grid of distinct colours.
pal16 = [(r, g, b) for r in (0, 255) for g in (0, 128, 255) for b in (0, 255)][:12] + [(40, 80, 120), (200, 10, 90), (7, 7, 7), (250, 250, 200)]
ppm("src/c16.ppm", [pal16[(x // 5 + 3 * (y // 4)) % 16] for y in range(H) for x in range(W)])
# 4 and 8 colours.
ppm("src/c4.ppm", [pal16[(x // 3 + y // 2) % 4] for y in range(H) for x in range(W)])
ppm("src/c8.ppm", [pal16[(x // 3 + 2 * (y // 3)) % 8] for y in range(H) for x in range(W)])
# At most 256 colours.
ppm("src/c200.ppm", [((x % 8) * 36, (y % 8) * 36, ((x + y) % 3) * 120) for y in range(H) for x in range(W)])
with open("src/grey.pgm", "wb") as f:
    f.write(b"P5\n%d %d\n255\n" % (W, H))
    f.write(bytes((x * 7 + y * 11) % 256 for y in range(H) for x in range(W)))
with open("src/mono.pbm", "wb") as f:
    f.write(b"P1\n%d %d\n" % (W, H))
    f.write(("\n".join(" ".join("1" if (x * x + y * 3) % 7 < 3 else "0" for x in range(W)) for y in range(H)) + "\n").encode())
PY
# An alpha channel over the colour picture, for 32-bit TGA.
$IM src/rgb.ppm \( src/grey.pgm \) -alpha off -compose CopyOpacity -composite src/rgba.png

# ImageMagick's TGA: true colour, colour-mapped, grey, with alpha; plain and
# run-length; bottom-left (its default) and top-left origin.
im_tga() { # name source options...
  local name=$1 source=$2
  shift 2
  $IM "$source" "$@" "tga/$name.tga"
  # ImageMagick writes its rows top first under the bottom-left origin it
  # states and reads them back as stored, with the origin as an
  # orientation to apply: -auto-orient applies it.
  $IM "tga/$name.tga" -auto-orient -alpha off -depth 8 "tga/$name.ref.ppm"
}
for c in None RLE; do
  lc=$(echo $c | tr A-Z a-z)
  im_tga im-rgb24-$lc src/rgb.ppm -compress $c
  im_tga im-rgb32-$lc src/rgba.png -compress $c
  im_tga im-cmap-$lc src/c200.ppm -type Palette -compress $c
  im_tga im-grey-$lc src/grey.pgm -type Grayscale -compress $c
  im_tga im-rgb24-top-$lc src/rgb.ppm -orient TopLeft -compress $c
done

# netpbm's TGA: -rgb, -cmap, -cmap16 (16-bit colour map), -mono; plain and
# run-length.
nb_tga() { # name source options...
  local name=$1 source=$2
  shift 2
  pamtotga "$@" "$source" > "tga/$name.tga"
  # A 15-bit colour map reads back at maxval 31: scaled to 255.
  tgatoppm "tga/$name.tga" | pamdepth 255 > "tga/$name.ref.ppm"
}
for rle in "" -norle; do
  suffix=${rle:+-norle}
  suffix=${suffix:--rle}
  nb_tga nb-rgb$suffix src/rgb.ppm -rgb $rle
  nb_tga nb-cmap$suffix src/c200.ppm -cmap $rle
  nb_tga nb-cmap16$suffix src/c200.ppm -cmap16 $rle
  nb_tga nb-mono$suffix src/grey.pgm -mono $rle
done

# ImageMagick's PCX: 24 bits in three planes and 8-bit palette, run-length
# and plain, and what it makes of 16 colours and of black and white.
im_pcx() { # name source options...
  local name=$1 source=$2
  shift 2
  $IM "$source" "$@" "pcx/$name.pcx"
  $IM "pcx/$name.pcx" -alpha off -depth 8 "pcx/$name.ref.ppm"
}
im_pcx im-rgb24 src/rgb.ppm
im_pcx im-rgb24-none src/rgb.ppm -compress None
im_pcx im-pal8 src/c200.ppm -type Palette
im_pcx im-pal8-none src/c200.ppm -type Palette -compress None
im_pcx im-pal16 src/c16.ppm -type Palette
im_pcx im-bilevel src/mono.pbm -type Bilevel

# netpbm's PCX: 24 bits, 8 bits, 16 colours in 4 planes and packed 4 bits,
# 4 colours in 2 planes and packed 2 bits, 8 colours in 3 planes, 1 bit.
nb_pcx() { # name source options...
  local name=$1 source=$2
  shift 2
  ppmtopcx "$@" "$source" > "pcx/$name.pcx"
  pcxtoppm "pcx/$name.pcx" > "pcx/$name.ref.ppm"
}
nb_pcx nb-rgb24 src/rgb.ppm -24bit
nb_pcx nb-pal8 src/c200.ppm -8bit
nb_pcx nb-planes4 src/c16.ppm
nb_pcx nb-packed4 src/c16.ppm -packed
nb_pcx nb-planes2 src/c4.ppm
nb_pcx nb-packed2 src/c4.ppm -packed
nb_pcx nb-planes3 src/c8.ppm
nb_pcx nb-mono src/mono.pbm
