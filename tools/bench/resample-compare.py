#!/usr/bin/python3
"""Compares zelvo-cli's seven resampling filters with ImageMagick's filters of
the same shape, down (4000 x 3000 -> 1000 x 750) and up (1000 x 750 ->
4000 x 3000), and prints the largest and mean channel difference over the
whole picture, over its interior and over a border band.

Filter correspondence (ours -> ImageMagick):
  Box -> Box, Hermite -> Hermite, Triangle -> Triangle,
  Bell -> Quadratic (the quadratic B-spline 0.75 - a^2 / 0.5 (a - 1.5)^2),
  Mitchell -> Mitchell (B = C = 1/3), BSpline -> Spline (cubic B-spline),
  Lanczos3 -> Lanczos (sinc windowed by sinc, three lobes).

ImageMagick runs as `convert IN -filter F -resize WxH! -depth 8 OUT` on the
same pixels (PPM), in the picture's own (gamma-encoded) values, as we do. Its
Q16 build keeps 16-bit values between the passes and its -depth 8 truncates
them to bytes; --im-round adds half a byte level first, so the comparison
is with ImageMagick's result rounded to the nearest byte.

usage: resample-compare.py ZELVO_CLI PICTURE_DIR WORK_DIR [--border N] [--only FILTER]
       [--convert PATH] [--ours-tool PROGRAM [--rules "RULE ..."]]
PICTURE_DIR holds big.bmp/big.ppm and small.bmp/small.ppm (make-pictures.py).
With --ours-tool the command `PROGRAM FILTER W H IN.ppm OUT.ppm` makes our
result instead of zelvo-cli; --rules switches that program's sampling rules one
at a time (ResamplePpm.cpp), to trace a difference to the rule that causes it.
Needs Pillow (the system /usr/bin/python3 has it).
"""
import argparse
import os
import subprocess
import sys

from PIL import Image, ImageChops

FILTERS = [("Box", "Box"), ("Hermite", "Hermite"), ("Triangle", "Triangle"), ("Bell", "Quadratic"),
           ("Mitchell", "Mitchell"), ("BSpline", "Spline"), ("Lanczos3", "Lanczos")]
CASES = [("down", "big", 1000, 750), ("up", "small", 4000, 3000)]


def stats(a, b, box=None, exclude=None):
    """Largest and mean absolute channel difference of a and b, optionally
    inside `box` only or outside `exclude` only."""
    diff = ImageChops.difference(a, b)
    if exclude is not None:
        # Blank the interior so only the border band counts.
        mask = Image.new("L", diff.size, 255)
        mask.paste(0, exclude)
        hist = diff.histogram(mask)
    else:
        if box is not None:
            diff = diff.crop(box)
        hist = diff.histogram()
    largest, total, count = 0, 0, 0
    for channel in range(3):
        h = hist[channel * 256:(channel + 1) * 256]
        for value, n in enumerate(h):
            if n:
                largest = max(largest, value)
                total += value * n
                count += n
    return largest, total / count if count else 0.0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("pictures")
    parser.add_argument("work")
    parser.add_argument("--border", type=int, default=8)
    parser.add_argument("--only")
    parser.add_argument("--convert", default="/usr/bin/convert")
    parser.add_argument("--ours-tool")
    parser.add_argument("--im-round", action="store_true",
                        help="round ImageMagick's 16-bit result to the nearest byte (its -depth 8 truncates)")
    parser.add_argument("--rules", default="", help="rules passed on to --ours-tool (see ResamplePpm.cpp)")
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)

    print("%-9s %-4s | %-9s | whole max/mean | interior max/mean | border %d px max/mean"
          % ("filter", "dir", "IM filter", args.border))
    for ours, theirs in FILTERS:
        if args.only and args.only.lower() != ours.lower():
            continue
        for direction, picture, w, h in CASES:
            ours_out = os.path.join(args.work, "%s-%s-zelvo.bmp" % (ours, direction))
            im_out = os.path.join(args.work, "%s-%s-im.ppm" % (ours, direction))
            if args.ours_tool:
                ours_out = os.path.join(args.work, "%s-%s-tool.ppm" % (ours, direction))
                subprocess.run([args.ours_tool, ours, str(w), str(h),
                                os.path.join(args.pictures, picture + ".ppm"), ours_out] + args.rules.split(), check=True)
            else:
                subprocess.run([args.cli, "apply", os.path.join(args.pictures, picture + ".bmp"), ours_out,
                                "Resample:%s,%d,%d" % (ours, w, h)], check=True)
            # -depth 8 stores floor(q / 257) of the 16-bit quantum q; adding
            # 128 first makes that the nearest byte.
            rounding = ["-evaluate", "Add", "128"] if args.im_round else []
            subprocess.run([args.convert, os.path.join(args.pictures, picture + ".ppm"), "-filter", theirs,
                            "-resize", "%dx%d!" % (w, h)] + rounding + ["-depth", "8", im_out], check=True)
            a = Image.open(ours_out).convert("RGB")
            b = Image.open(im_out).convert("RGB")
            if a.size != b.size:
                sys.exit("size mismatch %s %s" % (a.size, b.size))
            inner = (args.border, args.border, w - args.border, h - args.border)
            whole = stats(a, b)
            interior = stats(a, b, box=inner)
            border = stats(a, b, exclude=inner)
            print("%-9s %-4s | %-9s | %3d / %6.3f   | %3d / %6.3f      | %3d / %6.3f"
                  % (ours, direction, theirs, whole[0], whole[1], interior[0], interior[1], border[0], border[1]))
            sys.stdout.flush()


if __name__ == "__main__":
    main()
