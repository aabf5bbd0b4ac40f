#!/usr/bin/env bash
# Builds and runs the edit-latency benchmark (bench/EditLatencyBench.cpp):
# per command on a 6000 x 4000 photo, the operation alone, the undo
# snapshot alone, the edit as the editor runs it and the repaint, in
# milliseconds. Extra arguments go to the benchmark program, e.g.
#   bench/edit-latency.sh --benchmark_filter=EditLatency/19
# Uses the build folder build/ (configured with the benchmarks on).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cmake -S "$root" -B "$root/build" -DZELVO_BUILD_BENCH=ON >/dev/null
cmake --build "$root/build" --target EditLatencyBench
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
exec "$root/build/bench/EditLatencyBench" --benchmark_counters_tabular=true "$@"
