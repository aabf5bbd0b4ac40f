#!/usr/bin/env python3
"""Times whole commands taking turns, run by run, so that each sees the same
machine, and prints each one's median, mean, fastest and 90th percentile
run and its ratios to the last command's median and mean. Each round starts
with the next command in turn: on a virtual machine the first command after
a pause is slowed more often than the others. Output goes to /dev/null.

    bench/interleaved.py RUNS 'COMMAND' 'COMMAND' ... 'BASELINE COMMAND'

e.g. bench/interleaved.py 40 'build/zelvo-cli decode in.webp a.ppm' \\
         'dwebp -quiet in.webp -ppm -o b.ppm'
"""
import shlex
import statistics
import subprocess
import sys
import time

if len(sys.argv) < 4 or not sys.argv[1].isdigit():
    sys.exit(__doc__)
runs = int(sys.argv[1])
commands = [shlex.split(c) for c in sys.argv[2:]]
times = [[] for _ in commands]


def run(command):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    return time.perf_counter() - start


for command in commands:  # warm the caches
    run(command)
for round_ in range(runs):
    first = round_ % len(commands)
    for k in list(range(first, len(commands))) + list(range(first)):
        times[k].append(run(commands[k]))
base_median = statistics.median(times[-1])
base_mean = statistics.mean(times[-1])
for command, t in zip(sys.argv[2:], times):
    ordered = sorted(t)
    print("%-44s median %7.1f ms  mean %7.1f  fastest %7.1f  p90 %7.1f  ratio median %.3f  mean %.3f" % (
        command[:44], statistics.median(t) * 1e3, statistics.mean(t) * 1e3, ordered[0] * 1e3,
        ordered[int(len(t) * 0.9)] * 1e3, statistics.median(t) / base_median, statistics.mean(t) / base_mean))
