#!/usr/bin/env bash
# Fuzzes one target for a while and keeps what it learnt, so fuzzing time
# adds up across sessions:
#
#   tools/fuzz.sh TARGET MINUTES        e.g. tools/fuzz.sh BmpFuzzer 10
#
# TARGET is any fuzz/<Name>Fuzzer.cpp. The script
# 1. builds the sanitizer build (clang, libFuzzer, AddressSanitizer and
#    UndefinedBehaviorSanitizer, no GUI) in build-fuzz/, only that target;
# 2. starts from the kept corpus fuzz/corpus/TARGET/, the seeds
#    fuzz/seeds/TARGET/, the crash files tests/data/crashers/TARGET/ and the
#    test pictures tests/data/corpus/<codec>/ (BmpFuzzer: bmp/), with the
#    dictionary fuzz/TARGET.dict when there is one;
# 3. fuzzes for MINUTES minutes on one core (run it under nice -n 19 on a
#    shared machine), new inputs going to fuzz-work/TARGET/ (not kept);
# 4. merges everything back into fuzz/corpus/TARGET/ with -merge=1, which
#    keeps only inputs that add coverage, at most 16 KB each;
# 5. prints the executions of this run and the size of the kept corpus.
# A crash stops the run; its file is left in fuzz-work/TARGET/ and the
# script exits 1: minimise it, fix the fault and keep the file in
# tests/data/crashers/TARGET/, where the replay test runs it on every test run.
set -euo pipefail
if [ $# -ne 2 ] || ! [[ $2 =~ ^[0-9]+$ ]]; then
  echo "usage: tools/fuzz.sh TARGET MINUTES   (TARGET: $(cd "$(dirname "$0")/../fuzz" && ls *Fuzzer.cpp | sed 's/\.cpp$//' | tr '\n' ' '))" >&2
  exit 2
fi
target=$1
minutes=$2
cd "$(dirname "$0")/.."
root=$PWD
if [ ! -f "fuzz/$target.cpp" ]; then
  echo "tools/fuzz.sh: no fuzz/$target.cpp" >&2
  exit 2
fi
max_len=16384

# 1. The sanitizer build.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZELVO_BUILD_FUZZ=ON -DZELVO_SANITIZE=ON -DZELVO_BUILD_GUI=OFF -DZELVO_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz --target "$target"
fuzzer=$root/build-fuzz/fuzz/$target

# 2. Where the inputs come from.
kept=$root/fuzz/corpus/$target
work=$root/fuzz-work/$target
mkdir -p "$kept" "$work/new" "$work/crashes"
codec=$(echo "${target%Fuzzer}" | tr '[:upper:]' '[:lower:]')
sources=()
for d in "$root/fuzz/seeds/$target" "$root/tests/data/crashers/$target" "$root/tests/data/corpus/$codec"; do
  [ -d "$d" ] && sources+=("$d")
done
options=(-max_len=$max_len -timeout=30 -rss_limit_mb=2048 -artifact_prefix="$work/crashes/")
[ -f "$root/fuzz/$target.dict" ] && options+=(-dict="$root/fuzz/$target.dict")
log=$work/fuzz.log

# 3. Fuzz. New inputs go to the first folder; the others are read only.
status=0
"$fuzzer" "${options[@]}" -max_total_time=$((minutes * 60)) -print_final_stats=1 \
  "$work/new" "$kept" "${sources[@]}" >"$log" 2>&1 || status=$?
executions=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | tail -n 1 | grep -o '[0-9]*$' || true)
if [ -z "$executions" ]; then
  # Without final stats (a crash), the last progress line has the count.
  executions=$(grep -o '^#[0-9]*' "$log" | tail -n 1 | tr -d '#' || true)
fi
if [ "$status" -ne 0 ]; then
  tail -n 40 "$log"
  echo "$target: FOUND A FAULT after ${executions:-?} executions; files in $work/crashes/:"
  ls -l "$work/crashes/"
  exit 1
fi

# 4. Merge what was found into the kept corpus: only coverage-adding inputs.
before=$(find "$kept" -type f | wc -l)
"$fuzzer" -merge=1 "${options[@]}" "$kept" "$work/new" "${sources[@]}" >"$work/merge.log" 2>&1 || {
  tail -n 20 "$work/merge.log"
  echo "$target: merge failed"
  exit 1
}
find "$kept" -type f -size +${max_len}c -delete
rm -rf "$work/new"
after=$(find "$kept" -type f | wc -l)
bytes=$(du -sk "$kept" | cut -f1)

# 5. Report.
echo "$target: $executions executions in $minutes min; fuzz/corpus/$target: $before -> $after files, ${bytes} KB"
