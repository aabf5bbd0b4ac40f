#!/usr/bin/env bash
# Screenshots of generated help pages in headless Chromium, to look at how
# a browser shows them (pictures side by side, tables, Japanese text).
# Usage: help-screenshot.sh HELP_DIR OUT_DIR PAGE... (PAGE: topic-94.html)
# Writes OUT_DIR/<page>.png at 1000 x 1400 for each page. Needs chromium
# (not installed by setup-deps.sh: no test runs this).
set -euo pipefail
help=$(cd "$1" && pwd)
out=$2
shift 2
mkdir -p "$out"
out=$(cd "$out" && pwd)
browser=$(command -v chromium || command -v chromium-browser || true)
[ -n "$browser" ] || { echo "help-screenshot: chromium is not installed (apt-get install chromium)"; exit 1; }
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
for page in "$@"; do
  [ -f "$help/$page" ] || { echo "help-screenshot: no page $help/$page"; exit 1; }
  "$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars --user-data-dir="$profile" \
    --window-size=${HELP_SHOT_SIZE:-1000,1400} --screenshot="$out/${page%.html}.png" "file://$help/$page" >/dev/null 2>&1
  echo "$out/${page%.html}.png"
done
