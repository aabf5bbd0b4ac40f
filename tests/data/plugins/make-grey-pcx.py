#!/usr/bin/python3
# Makes pcx/grey8.pcx: an 8-bit greyscale PCX (one plane, palette type 2, no
# 256-colour palette at the end), 48 x 32, run-length coded, written here
# byte by byte; and pcx/grey8.ref.ppm, its pixels as this script computes
# them. Run once; the tests read the files.
import os
import struct

os.chdir(os.path.dirname(os.path.abspath(__file__)))

W, H = 48, 32


def level(x, y, shift):
    if y % 8 == 3:
        return 200  # a row of one level: runs of 63 and the rest
    return (x * 5 + y * 7 + shift) % 256


def encode(row):
    out = bytearray()
    x = 0
    while x < len(row):
        run = 1
        while x + run < len(row) and row[x + run] == row[x] and run < 63:
            run += 1
        if run > 1 or row[x] >= 0xC0:
            out += bytes((0xC0 | run, row[x]))
        else:
            out.append(row[x])
        x += run
    return out


def build():
    header = bytearray(128)
    header[0:4] = bytes((0x0A, 5, 1, 8))
    header[4:12] = struct.pack("<4H", 0, 0, W - 1, H - 1)
    header[12:16] = struct.pack("<2H", 72, 72)
    header[65] = 1  # planes
    header[66:68] = struct.pack("<H", W)
    header[68:70] = struct.pack("<H", 2)  # greyscale
    data = b"".join(encode(row) for row in pixels)
    return bytes(header) + data


# A file with no palette whose data hold 0x0C where a palette's marker
# would stand (769 bytes before the end): still a grey picture. The first
# shift of the ramp that puts a single literal byte there is taken.
for shift in range(256):
    pixels = [[level(x, y, shift) for x in range(W)] for y in range(H)]
    body = build()
    at = len(body) - 769 - 128  # offset within the coded data
    # Find the pixel coded by that single literal byte and make it 12.
    pos = 0
    done = False
    for y in range(H):
        coded = encode(pixels[y])
        if pos + len(coded) > at:
            x = 0
            i = 0
            while i < len(coded):
                b = coded[i]
                if b >= 0xC0:
                    n = b & 0x3F
                    i += 2
                    x += n
                    continue
                if pos + i == at:
                    pixels[y][x] = 12
                    done = True
                    break
                i += 1
                x += 1
            break
        pos += len(coded)
    if done:
        break
assert done
body = build()
assert body[len(body) - 769] == 0x0C
open("pcx/grey8.pcx", "wb").write(body)
with open("pcx/grey8.ref.ppm", "wb") as f:
    f.write(b"P6\n%d %d\n255\n" % (W, H))
    f.write(bytes(v for row in pixels for p in row for v in (p, p, p)))
