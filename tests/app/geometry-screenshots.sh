#!/usr/bin/env bash
# Takes the geometry screenshots (select, crop, resize to 50 % with
# Lanczos3, undo twice, redo once; the three geometry dialogs; the rotate
# and shift dialogs with their live preview) with the real
# main window on the X server xvfb-run gives, and checks that each picture
# holds more than a blank window's colours.
# Usage: geometry-screenshots.sh <zelvo_app_tests> <picture> <folder>
set -euo pipefail
tests=$1
picture=$(realpath "$2")
folder=$3
mkdir -p "$folder"
rm -f "$folder"/*.png
QT_QPA_PLATFORM=xcb ZELVO_GEOMETRY_SHOTS=$folder ZELVO_SAMPLE=$picture \
  "$tests" --gtest_filter='TGeometryScreenshots.*' --gtest_also_run_disabled_tests=0
count=0
for shot in "$folder"/*.png; do
  colours=$(convert "$shot" -format %k info:)
  echo "$shot: $(identify -format '%wx%h' "$shot"), $colours colours"
  [ "$colours" -ge 200 ] || { echo "too few colours in $shot"; exit 1; }
  count=$((count + 1))
done
[ "$count" -eq 9 ] || { echo "expected 9 screenshots, found $count"; exit 1; }
