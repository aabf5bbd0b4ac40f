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
    ours = median["zelvo"]
    ours_op = ours - median.get("zelvo-bare", 0.0)
    print("%-13s %10s %10s %10s" % ("peer", "whole", "op ms", "op ratio"))
    print("%-13s %10s %10.1f %10s" % ("zelvo", "1.00", 1000 * ours_op, "1.00"))
    for name in median:
        if name.startswith("zelvo") or name.endswith("-bare"):
            continue
        op = median[name] - median.get(name + "-bare", 0.0)
        print("%-13s %10.2f %10.1f %10.2f" % (name, median[name] / ours, 1000 * op, op / ours_op))


if __name__ == "__main__":
    main()
