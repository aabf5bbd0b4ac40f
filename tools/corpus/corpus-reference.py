#!/usr/bin/python3
"""Build tests/data/corpus/REFERENCE.tsv: reference decodes of the test corpus.

Three peers decode every image independently:
  magick  - ImageMagick 6 `convert` (Debian package imagemagick)
  gm      - GraphicsMagick `gm convert` (Debian package graphicsmagick)
  pillow  - Pillow (Debian package python3-pil), run in this interpreter
For 16-bit PNG a fourth row, magick16, keeps the high byte of each sample
of ImageMagick's 16-bit output (ImageMagick's own 8-bit output rounds).
and icons inside PE files are first pulled out with `wrestool` (Debian
package icoutils).  Each decode becomes an RGBA8 buffer, rows top-down,
and only its SHA-256 is stored.

Rows whose peers produce identical bytes are marked `agree:` with the peers
that agree; where only one peer can decode a file the row is `single:`; where
they differ, one row per distinct output is written, marked `disputed:` with
the peers that produced it, the largest group first.  Files the corpus classes as bad get
one row with `-` in the pixel columns and what each peer did in `note`.

Usage: corpus-reference.py [CORPUS_DIR]   (default: ../corpus)
Needs: apt-get install imagemagick graphicsmagick python3-pil icoutils
"""
import hashlib
import os
import re
import struct
import subprocess
import sys
import tempfile

from PIL import Image, ImageFile

ImageFile.LOAD_TRUNCATED_IMAGES = False
Image.MAX_IMAGE_PIXELS = 64 * 1024 * 1024

MAGICK_PREFIX = {
    ".bmp": "bmp", ".dib": "dib", ".png": "png", ".gif": "gif",
    ".jpg": "jpeg", ".jpeg": "jpeg", ".ico": "ico", ".pcd": "pcd",
}
MAGICK_TIMEOUT = 60


class DecodeError(Exception):
    pass


# ---------------------------------------------------------------- helpers

def to_rgba(width, height, tupltype, maxval, data):
    """Convert a PAM body (8-bit or 16-bit samples) to RGBA8."""
    chans = {b"GRAYSCALE": 1, b"BLACKANDWHITE": 1, b"GRAYSCALE_ALPHA": 2,
             b"BLACKANDWHITE_ALPHA": 2, b"RGB": 3, b"RGB_ALPHA": 4}
    if tupltype not in chans:
        raise DecodeError("unexpected PAM tuple type %r" % tupltype)
    n = chans[tupltype]
    if maxval == 65535:
        # keep the high byte of every 16-bit sample
        data = data[0::2]
    elif maxval == 1:
        data = bytes(255 if b else 0 for b in data)
    elif maxval != 255:
        raise DecodeError("unexpected PAM maxval %d" % maxval)
    if len(data) != width * height * n:
        raise DecodeError("PAM body has %d bytes, expected %d"
                          % (len(data), width * height * n))
    mode = {1: "L", 2: "LA", 3: "RGB", 4: "RGBA"}[n]
    return Image.frombytes(mode, (width, height), data).convert("RGBA").tobytes()


def parse_pam(blob):
    if not blob.startswith(b"P7\n"):
        raise DecodeError("no PAM output")
    end = blob.find(b"ENDHDR\n")
    if end < 0:
        raise DecodeError("truncated PAM header")
    fields = {}
    for line in blob[3:end].split(b"\n"):
        if b" " in line:
            k, v = line.split(b" ", 1)
            fields[k] = v.strip()
    w, h = int(fields[b"WIDTH"]), int(fields[b"HEIGHT"])
    return w, h, fields[b"TUPLTYPE"], int(fields[b"MAXVAL"]), blob[end + 7:]


def magick(path, subimage=None, extra=(), depth=8, fmt=None, tool=("convert",)):
    """Decode with ImageMagick (or GraphicsMagick: tool=("gm", "convert"));
    returns (w, h, rgba, command-string).  Only the first image of the
    output is used."""
    prefix = fmt or MAGICK_PREFIX[os.path.splitext(path)[1].lower()]
    src = "%s:%s" % (prefix, path)
    if subimage is not None:
        src += "[%s]" % subimage
    cmd = list(tool) + [src] + list(extra) + ["-depth", str(depth), "pam:-"]
    try:
        r = subprocess.run(cmd, capture_output=True, timeout=MAGICK_TIMEOUT)
    except subprocess.TimeoutExpired:
        raise DecodeError("magick timed out")
    if r.returncode != 0 or not r.stdout:
        msg = r.stderr.decode("utf-8", "replace").strip().splitlines()
        raise DecodeError("%s: " % tool[0] + (msg[0] if msg else "exit %d" % r.returncode))
    w, h, tt, mv, body = parse_pam(r.stdout)
    if tt == b"CMYK" or tt == b"CMYK_ALPHA":
        return magick(path, subimage, list(extra) + ["-colorspace", "sRGB"], depth, fmt, tool)
    nbytes = w * h * {b"GRAYSCALE": 1, b"BLACKANDWHITE": 1, b"GRAYSCALE_ALPHA": 2,
                      b"BLACKANDWHITE_ALPHA": 2, b"RGB": 3, b"RGB_ALPHA": 4}.get(tt, 0)
    body = body[:nbytes * (2 if mv == 65535 else 1)]
    try:
        rgba = to_rgba(w, h, tt, mv, body)
    except DecodeError as e:
        raise DecodeError("%s: %s" % (tool[0], e))
    return w, h, rgba, " ".join(
        a if " " not in a else "'%s'" % a for a in cmd)


def gm(path, subimage=None, extra=(), fmt=None):
    """Decode with GraphicsMagick."""
    return magick(path, subimage, extra, 8, fmt, ("gm", "convert"))


def pillow(path, frame=0):
    """Decode with Pillow; returns (w, h, rgba, command-string)."""
    cmd = "PIL.Image.open(FILE)"
    try:
        im = Image.open(path)
        if frame:
            im.seek(frame)
            cmd += ".seek(%d)" % frame
        im.load()
    except Exception as e:  # Pillow raises many types for bad input
        raise DecodeError("pillow: %s: %s" % (type(e).__name__, e))
    if im.mode in ("I", "I;16", "I;16B", "I;16L"):
        # 16-bit grey: Pillow's own conversion to 8 bits clips, so take the
        # high byte of each sample instead.
        vals = list(im.getdata())
        grey = bytes((max(0, min(65535, v)) >> 8) for v in vals)
        trns = im.info.get("transparency")
        if isinstance(trns, int):
            alpha = bytes(0 if v == trns else 255 for v in vals)
            out = Image.merge("LA", (Image.frombytes("L", im.size, grey),
                                     Image.frombytes("L", im.size, alpha))).convert("RGBA")
        else:
            out = Image.frombytes("L", im.size, grey).convert("RGBA")
        cmd += " 16-bit grey, high byte of each sample, tRNS applied"
    else:
        try:
            out = im.convert("RGBA")
        except Exception as e:
            raise DecodeError("pillow convert: %s" % e)
        cmd += ".convert('RGBA')"
    return out.size[0], out.size[1], out.tobytes(), cmd


def sha(b):
    return hashlib.sha256(b).hexdigest()


def rgb_of(rgba):
    out = bytearray(len(rgba) // 4 * 3)
    out[0::3] = rgba[0::4]
    out[1::3] = rgba[1::4]
    out[2::3] = rgba[2::4]
    return bytes(out)


# ---------------------------------------------------------------- classes

def classify(rel):
    """good / questionable / bad, as the suites themselves judge the files."""
    parts = rel.split("/")
    name = parts[-1]
    if rel.startswith("bmp/bmpsuite/"):
        return {"g": "good", "q": "questionable", "b": "bad", "x": "questionable"}[parts[2]]
    if rel.startswith("png/pngsuite/"):
        return "bad" if name.startswith("x") else "good"
    if "/bad/" in rel:
        return "bad"
    if "/lenient/" in rel:
        return "questionable"
    special = {
        "bmp/pillow/l2rgb_read.bmp": "bad",
        "bmp/pillow/mmap_error.bmp": "questionable",
        "bmp/pillow/hopper_rle8_row_overflow.bmp": "questionable",
        "bmp/pillow/clipboard.dib": "questionable",
        "bmp/image-rs/pal8badindex.bmp": "questionable",
        "bmp/image-rs/imagemagick_invalid_run_length_issue_2321.bmp": "questionable",
        "bmp/image-rs/pal4rlecut.bmp": "questionable",
        "bmp/image-rs/pal4rletrns.bmp": "questionable",
        "bmp/image-rs/pal8os2sp.bmp": "questionable",
        "bmp/image-rs/rgb24prof.bmp": "questionable",
        "bmp/image-rs/rgb24prof2.bmp": "questionable",
        "bmp/image-rs/rgb24rle24.bmp": "questionable",
        "bmp/image-rs/rgb32-111110.bmp": "questionable",
        "bmp/image-rs/rgba16-1924.bmp": "questionable",
        "bmp/image-rs/rgba32abf.bmp": "questionable",
        "bmp/image-rs/rgb16-231.bmp": "questionable",
        "bmp/image-rs/pal2.bmp": "questionable",
        "bmp/image-rs/pal2color.bmp": "questionable",
        "gif/pillow/zero_width.gif": "bad",
        "gif/image-rs/zero-loop-count.gif": "bad",
        "gif/pillow/decompression_bomb.gif": "questionable",
        "gif/pillow/decompression_bomb_extents.gif": "questionable",
        "gif/image-rs/oob.gif": "questionable",
        "gif/image-rs/issue_1455_oversized.gif": "questionable",
        "gif/image-rs/issue_1455_undersized.gif": "questionable",
        "gif/gif-test-suite/animated_transparent_loop_frames_out_of_bounds.gif": "questionable",
        "gif/pillow/no_palette.gif": "questionable",
        "gif/pillow/no_palette_with_background.gif": "questionable",
        "gif/pillow/no_palette_with_transparency.gif": "questionable",
        "gif/pillow/background_outside_palette.gif": "questionable",
        "ico/pillow/decompression_bomb.ico": "bad",
        "ico/pillow/hopper_unexpected.ico": "questionable",
        "ico/image-rs/lenient-bpp.ico": "questionable",
        "ico/image-rs/truncated_mask_32bpp.ico": "questionable",
        "ico/image-rs/bmp-32bpp-conflicting-and-mask.ico": "questionable",
        "pe/corkami/resource_icon.exe": "questionable",
        "pe/corkami/resource.exe": "bad",
        "pe/exiftool/EXE.exe": "bad",
        "pcd/exiftool/PhotoCD.pcd": "bad",
        "jpeg/libjpeg-turbo/testorig12.jpg": "questionable",
        "jpeg/libjpeg-turbo/monkey12.jpg": "questionable",
        "jpeg/pillow/truncated_jpeg.jpg": "questionable",
        "jpeg/pillow/junk_jpeg_header.jpg": "questionable",
        "jpeg/pillow/jpeg_ff00_header.jpg": "questionable",
        "jpeg/pillow/truncated_app14.jpg": "questionable",
    }
    return special.get(rel, "good")


# ---------------------------------------------------------------- icons

def ico_entries(blob):
    """Yield (index, single-entry .ico bytes) for every directory entry."""
    if len(blob) < 6:
        raise DecodeError("short icon header")
    reserved, typ, count = struct.unpack_from("<HHH", blob, 0)
    if reserved != 0 or typ != 1:
        raise DecodeError("not an icon file")
    for i in range(count):
        off = 6 + 16 * i
        if off + 16 > len(blob):
            raise DecodeError("directory runs past the end")
        entry = bytearray(blob[off:off + 16])
        size, data_off = struct.unpack_from("<II", entry, 8)
        data = blob[data_off:data_off + size]
        struct.pack_into("<I", entry, 12, 22)
        struct.pack_into("<I", entry, 8, len(data))
        yield i, struct.pack("<HHH", 0, 1, 1) + bytes(entry) + data


def decode_ico_blob(blob, label, tmpdir):
    """Decode each entry of an icon file: [(image, [(peer, w, h, rgba, cmd)] or error)]."""
    out = []
    for i, single in ico_entries(blob):
        p = os.path.join(tmpdir, "entry%d.ico" % i)
        with open(p, "wb") as f:
            f.write(single)
        results, errors = [], []
        for peer in (magick, gm, pillow):
            try:
                w, h, rgba, cmd = peer(p) if peer is pillow else peer(p, fmt="ico")
                cmd = "entry %d of %s as a one-image icon file; %s" % (i, label, cmd)
                results.append((peer.__name__, w, h, rgba, cmd))
            except DecodeError as e:
                errors.append(str(e))
        out.append((str(i), results, errors))
    return out


def pe_groups(path):
    r = subprocess.run(["wrestool", "-l", "-t14", path], capture_output=True)
    names = []
    for line in r.stdout.decode("latin-1").splitlines():
        for tok in line.split():
            if tok.startswith("--name="):
                names.append(tok[len("--name="):].strip("'"))
    return names


def decode_pe(path, tmpdir):
    out = []
    for name in pe_groups(path):
        d = os.path.join(tmpdir, "g" + str(len(out)))
        os.makedirs(d, exist_ok=True)
        r = subprocess.run(["wrestool", "-x", "-t14", "-n", name, path, "-o", d],
                           capture_output=True)
        files = sorted(os.listdir(d))
        if r.returncode != 0 or not files:
            out.append((name + "/0", [], ["wrestool could not extract group %s" % name]))
            continue
        with open(os.path.join(d, files[0]), "rb") as f:
            blob = f.read()
        label = "icon group %s pulled out with `wrestool -x -t14 -n %s FILE`" % (name, name)
        for idx, res, errs in decode_ico_blob(blob, label, d):
            out.append(("%s/%s" % (name, idx), res, errs))
    return out


# ---------------------------------------------------------------- per file

def is_16bit_png(path):
    with open(path, "rb") as f:
        head = f.read(33)
    return head[:8] == b"\x89PNG\r\n\x1a\n" and head[12:16] == b"IHDR" and head[24] == 16


def decode_file(path, rel, tmpdir):
    """Return [(image, [(peer, w, h, rgba, cmd)], [errors])]."""
    ext = os.path.splitext(path)[1].lower()
    if ext == ".ico":
        with open(path, "rb") as f:
            blob = f.read()
        try:
            return decode_ico_blob(blob, "FILE", tmpdir)
        except DecodeError as e:
            return [("0", [], [str(e)])]
    if ext in (".exe", ".dll"):
        groups = decode_pe(path, tmpdir)
        return groups or [("0", [], ["wrestool finds no icon group"])]
    if ext == ".pcd":
        out = []
        for res, scene in ((0, 1), (1, 2), (2, 3)):
            results, errors = [], []
            for name, peer in (("magick", magick), ("gm", gm)):
                try:
                    results.append((name,) + peer(path, subimage=scene))
                except DecodeError as e:
                    errors.append(str(e))
            if res == 2:
                try:
                    results.append(("pillow",) + pillow(path))
                except DecodeError as e:
                    errors.append(str(e))
            out.append((str(res), results, errors))
        return out
    results, errors = [], []
    extra = ["-coalesce"] if ext == ".gif" else []
    # GraphicsMagick's coalesce does not place the first frame on the logical
    # screen, so it is left out for GIF.
    peers = (("magick", magick),) if ext == ".gif" else (("magick", magick), ("gm", gm))
    for name, peer in peers:
        try:
            results.append((name,) + peer(path, subimage=0, extra=extra))
        except DecodeError as e:
            errors.append(str(e))
    if ext == ".png" and is_16bit_png(path):
        try:
            w, h, rgba, cmd = magick(path, subimage=0, depth=16)
            results.append(("magick16", w, h, rgba, cmd + " | high byte of each 16-bit sample"))
        except DecodeError as e:
            errors.append(str(e))
    try:
        results.append(("pillow",) + pillow(path))
    except DecodeError as e:
        errors.append(str(e))
    return [("0", results, errors)]


def rows_for(rel, cls, image, results, errors):
    rows = []
    if cls == "bad":
        did = ["%s decodes %dx%d" % (p, w, h) for p, w, h, _, _ in results]
        note = "; ".join(did + errors) or "-"
        return [(rel, image, "-", "-", "-", "-", cls, "refuse", "-", note)]
    if not results:
        return [(rel, image, "-", "-", "-", "-", cls, "none",
                 "-", "; ".join(errors) or "no peer decodes it")]
    groups = {}
    for peer, w, h, rgba, cmd in results:
        groups.setdefault((w, h, sha(rgba)), []).append((peer, rgba, cmd))
    note = "; ".join(errors) if errors else "-"
    if len(groups) == 1:
        (w, h, digest), members = next(iter(groups.items()))
        peers = [m[0] for m in members]
        base = {p.replace("magick16", "magick") for p in peers}
        agreement = ("agree:" if len(base) > 1 else "single:") + "+".join(peers)
        return [(rel, image, str(w), str(h), digest, sha(rgb_of(members[0][1])), cls,
                 agreement, " ;; ".join(m[2] for m in members), note)]
    # largest group first, so the majority view reads first
    for (w, h, digest), members in sorted(groups.items(), key=lambda g: -len(g[1])):
        rows.append((rel, image, str(w), str(h), digest, sha(rgb_of(members[0][1])),
                     cls, "disputed:" + "+".join(m[0] for m in members),
                     " ;; ".join(m[2] for m in members), note))
    return rows


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    corpus = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "tests", "data", "corpus")
    corpus = os.path.abspath(corpus)
    exts = (".bmp", ".dib", ".png", ".gif", ".jpg", ".jpeg", ".ico", ".exe", ".dll", ".pcd")
    files = []
    for root, _, names in os.walk(corpus):
        for n in names:
            if n.lower().endswith(exts):
                files.append(os.path.relpath(os.path.join(root, n), corpus))
    files.sort()
    header = ("file", "image", "width", "height", "sha256", "sha256_rgb",
              "class", "agreement", "command", "note")
    out_rows = []
    for rel in files:
        cls = classify(rel)
        with tempfile.TemporaryDirectory() as tmp:
            for image, results, errors in decode_file(os.path.join(corpus, rel), rel, tmp):
                out_rows.extend(rows_for(rel, cls, image, results, errors))
    tsv = os.path.join(corpus, "REFERENCE.tsv")
    with open(tsv, "w") as f:
        f.write("\t".join(header) + "\n")
        for r in out_rows:
            full = os.path.join(corpus, r[0])
            cells = []
            for c in r:
                c = c.replace(full, "FILE").replace(corpus + "/", "")
                c = re.sub(r"/tmp/[^/\s]+/(g\d+/)?", "", c)
                cells.append(c.replace("\t", " ").replace("\n", " "))
            f.write("\t".join(cells) + "\n")
    print("%d files, %d rows -> %s" % (len(files), len(out_rows), tsv))


if __name__ == "__main__":
    main()
