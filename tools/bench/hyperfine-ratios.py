#!/usr/bin/python3
"""Summarises a hyperfine JSON export of geometry-peers.sh: each command's
mean and median, the whole-process ratio of every peer to zelvo, and the
ratio of the operations alone (command minus the same tool's "-bare" load
and save).

usage: hyperfine-ratios.py RESULT.json
A ratio above 1 means the peer took longer than zelvo.
"""
import json
import statistics
import sys


def main():
    results = json.load(open(sys.argv[1]))["results"]
    times = {r["command"]: r["times"] for r in results}
    median = {name: statistics.median(t) for name, t in times.items()}
    print("%-13s %10s %10s" % ("command", "mean ms", "median ms"))
    for name, t in times.items():
        print("%-13s %10.1f %10.1f" % (name, 1000 * statistics.mean(t), 1000 * median[name]))
    # Pairs: "zelvo" against every other tool, or "zelvo-X" against "T-X".
    print("%-13s %-13s %8s %8s %8s %8s" % ("zelvo", "peer", "whole", "op ms", "peer op", "op ratio"))
    for ours in median:
        if not ours.startswith("zelvo") or ours.endswith("-bare"):
            continue
        suffix = ours[len("zelvo"):]
        ours_op = median[ours] - median.get("zelvo-bare", 0.0)
        for name in median:
            if name.startswith("zelvo") or name.endswith("-bare"):
                continue
            if suffix and not name.endswith(suffix):
                continue
            if not suffix and "-" in name:
                continue
            tool = name[:len(name) - len(suffix)] if suffix else name
            op = median[name] - median.get(tool + "-bare", 0.0)
            print("%-13s %-13s %8.2f %8.1f %8.1f %8.2f"
                  % (ours, name, median[name] / median[ours], 1000 * ours_op, 1000 * op, op / ours_op))


if __name__ == "__main__":
    main()
