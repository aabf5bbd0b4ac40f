#!/usr/bin/python3
"""Judge an image decoder against the reference decodes in tests/data/corpus.

    corpus-check.py [options] 'COMMAND TEMPLATE'

The template is run by /bin/sh once per reference image, with
  {file}   replaced by the quoted absolute path of the corpus file,
  {image}  replaced by the image id from REFERENCE.tsv:
             "0" for single-image files and for GIF (first image);
             the 0-based directory entry for .ico;
             "GROUP/ENTRY" for icons inside .exe/.dll (GROUP is the
             RT_GROUP_ICON resource name or number, ENTRY the 0-based
             entry in that group);
             the resolution 0, 1 or 2 (192x128, 384x256, 768x512) for .pcd.
The command must write the decoded pixels to standard output as raw RGBA8
(or RGB8 with --rgb), rows top to bottom, no header, and exit 0.  To refuse
a file it exits non-zero.

Example:
    corpus-check.py --only '^png/' 'mydecode --rgba {file}'

Judgement, per reference image:
  good / questionable with a reference: pass when the output's SHA-256
      equals a reference row for that file and image.  A disputed file
      (peers differ) passes on any peer's output unless --majority is
      given; which peer it matched is counted in the summary.
  questionable without any reference: pass when the command ends by itself
      within the time limit (any exit status); a crash or hang fails.
  bad: pass when the command refuses the file (non-zero exit) within the
      time limit; a crash, a hang, or exit 0 fails (--lenient-bad lets
      exit 0 pass as well, as the BMP suite's own notes allow).

The last line is "N passed, N failed" (plus ", N skipped" for rows left
out by --only/--class/--first-only).  Exit status 0 when nothing failed.
Standard library only.
"""
import argparse
import collections
import csv
import hashlib
import os
import re
import shlex
import signal
import subprocess
import sys


def load_reference(path):
    groups = collections.OrderedDict()
    with open(path, newline="") as f:
        for row in csv.DictReader(f, delimiter="\t"):
            groups.setdefault((row["file"], row["image"]), []).append(row)
    return groups


def run(cmd, timeout):
    """Run cmd; returns (status, stdout, stderr-tail) where status is an exit
    code, 'signal N' or 'timeout'."""
    p = subprocess.Popen(["/bin/sh", "-c", cmd], stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, start_new_session=True)
    try:
        out, errb = p.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        # the command runs in its own process group: end that group only
        try:
            os.killpg(p.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        p.communicate()
        return "timeout", b"", ""
    p.stdout, p.stderr = out, errb
    err = p.stderr.decode("utf-8", "replace").strip().splitlines()
    tail = err[-1][:160] if err else ""
    if p.returncode < 0:
        return "signal %d" % -p.returncode, p.stdout, tail
    if p.returncode > 128 and p.returncode - 128 in (signal.SIGSEGV, signal.SIGABRT,
                                                     signal.SIGBUS, signal.SIGFPE,
                                                     signal.SIGILL, signal.SIGKILL):
        return "signal %d" % (p.returncode - 128), p.stdout, tail
    return p.returncode, p.stdout, tail


def rgb_from_rgba(b):
    out = bytearray(len(b) // 4 * 3)
    out[0::3] = b[0::4]
    out[1::3] = b[1::4]
    out[2::3] = b[2::4]
    return bytes(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                 formatter_class=argparse.RawDescriptionHelpFormatter,
                                 epilog=__doc__.split("\n\n", 1)[1])
    ap.add_argument("template")
    ap.add_argument("--corpus", default=os.path.join(here, "..", "..", "tests", "data", "corpus"))
    ap.add_argument("--rgb", action="store_true",
                    help="the command writes RGB8; compare against sha256_rgb")
    ap.add_argument("--ignore-alpha", action="store_true",
                    help="the command writes RGBA8; compare its RGB channels only")
    ap.add_argument("--only", metavar="REGEX", help="check only files whose path matches")
    ap.add_argument("--class", dest="classes", default="good,questionable,bad",
                    help="comma list of classes to check (default: all)")
    ap.add_argument("--first-only", action="store_true",
                    help="check only the first image id listed for each file")
    ap.add_argument("--majority", action="store_true",
                    help="for disputed files accept only the largest peer group")
    ap.add_argument("--lenient-bad", action="store_true",
                    help="a bad file decoded with exit 0 passes too")
    ap.add_argument("--timeout", type=float, default=30.0)
    ap.add_argument("-v", "--verbose", action="store_true", help="print every result")
    args = ap.parse_args()

    corpus = os.path.abspath(args.corpus)
    ref = load_reference(os.path.join(corpus, "REFERENCE.tsv"))
    classes = set(args.classes.split(","))
    only = re.compile(args.only) if args.only else None
    key = "sha256_rgb" if (args.rgb or args.ignore_alpha) else "sha256"
    bpp = 3 if args.rgb else 4

    passed = failed = skipped = 0
    matched_by = collections.Counter()
    seen_files = set()
    for (rel, image), rows in ref.items():
        cls = rows[0]["class"]
        first = rel not in seen_files
        seen_files.add(rel)
        if cls not in classes or (only and not only.search(rel)) or \
                (args.first_only and not first):
            skipped += 1
            continue
        path = os.path.join(corpus, rel)
        cmd = args.template.replace("{file}", shlex.quote(path)).replace(
            "{image}", shlex.quote(image))
        status, out, err = run(cmd, args.timeout)
        label = "%s#%s" % (rel, image)
        ok, why = False, ""
        if cls == "bad":
            if status in ("timeout",) or str(status).startswith("signal"):
                why = "bad file: %s" % status
            elif status == 0 and not args.lenient_bad:
                why = "bad file accepted (exit 0, %d bytes)" % len(out)
            else:
                ok = True
                matched_by["refused" if status != 0 else "bad file decoded (lenient)"] += 1
        elif rows[0]["agreement"] == "none":
            if status == "timeout" or str(status).startswith("signal"):
                why = "no reference; decoder %s" % status
            else:
                ok = True
                matched_by["no reference, ended cleanly"] += 1
        else:
            if status != 0:
                why = "exit %s%s" % (status, (": " + err) if err else "")
            else:
                got = out
                if args.ignore_alpha:
                    if len(got) % 4:
                        got = b""
                    got = rgb_from_rgba(got)
                digest = hashlib.sha256(got).hexdigest()
                candidates = rows[:1] if (args.majority and
                                          rows[0]["agreement"].startswith("disputed")) else rows
                hit = [r for r in candidates if r[key] == digest]
                if hit:
                    ok = True
                    matched_by[hit[0]["agreement"].split(":")[0] + (
                        " (" + hit[0]["agreement"].split(":", 1)[1] + ")"
                        if hit[0]["agreement"].startswith("disputed") else "")] += 1
                else:
                    w, h = rows[0]["width"], rows[0]["height"]
                    expect = int(w) * int(h) * bpp if w.isdigit() and h.isdigit() else -1
                    if len(out) != expect and not args.ignore_alpha:
                        why = "wrote %d bytes, expected %s (%sx%s)" % (len(out), expect, w, h)
                    else:
                        why = "pixels differ from %s" % ", ".join(
                            r["agreement"] for r in candidates)
        if ok:
            passed += 1
            if args.verbose:
                print("ok   %s" % label)
        else:
            failed += 1
            print("FAIL %s [%s]: %s" % (label, cls, why))

    if matched_by:
        print("-- how the passes were judged:")
        for k, v in sorted(matched_by.items(), key=lambda kv: -kv[1]):
            print("   %5d  %s" % (v, k))
    line = "%d passed, %d failed" % (passed, failed)
    if skipped:
        line += ", %d skipped" % skipped
    print(line)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
