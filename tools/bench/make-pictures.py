#!/usr/bin/python3
"""Makes the photo-sized test pictures the resampling and rotation comparisons use.

big:   the corpus photo jpeg/pillow/junk_jpeg_header.jpg (1024 x 768, dry grass
       against the sky) enlarged to 4000 x 3000 with Lanczos, plus fine
       Gaussian grain (sigma 6 per channel), so the picture has detail at the
       pixel scale as a real 12-megapixel photo does.
small: the same photo reduced to 1000 x 750 with Lanczos (no grain: the
       photo's own detail is already at the pixel scale there).

Each is written as 24-bit BMP (for zelvo-cli) and as binary PPM (for vips,
Pillow and ImageMagick), the same pixels in both.

usage: make-pictures.py OUTDIR [CORPUS_DIR]
Needs Pillow (the system /usr/bin/python3 has it).
"""
import os
import sys

from PIL import Image, ImageChops


def main():
    out = sys.argv[1]
    corpus = sys.argv[2] if len(sys.argv) > 2 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "data", "corpus")
    os.makedirs(out, exist_ok=True)
    photo = Image.open(os.path.join(corpus, "jpeg", "pillow", "junk_jpeg_header.jpg")).convert("RGB")

    big = photo.resize((4000, 3000), Image.LANCZOS)
    # effect_noise is centred on 128; one independent field per channel.
    grain = Image.merge("RGB", [Image.effect_noise((4000, 3000), 6) for _ in range(3)])
    big = ImageChops.add(big, grain, 1.0, -128)
    small = photo.resize((1000, 750), Image.LANCZOS)

    for name, image in (("big", big), ("small", small)):
        image.save(os.path.join(out, name + ".bmp"))
        image.save(os.path.join(out, name + ".ppm"))
        print(name, image.size)


if __name__ == "__main__":
    main()
