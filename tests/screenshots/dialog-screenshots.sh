#!/usr/bin/env bash
# Runs the screenshot tests named by FILTER with the real main window on
# the X server xvfb-run gives, and checks that they wrote COUNT pictures,
# each holding more than a blank window's colours. The geometry tests
# (select, crop, resize to 50 % with Lanczos3, undo twice, redo once; the
# three geometry dialogs; the rotate and shift dialogs with their live
# preview; the emboss, mosaic, spotlight and blind dialogs of the effect
# menu) write into FOLDER, the brightness dialog to FOLDER/brightness.png.
# Usage: dialog-screenshots.sh <zelvo_screenshot_tests> <zelvo_screen_grab> <picture> <folder> <filter> <count>
set -euo pipefail
tests=$1
grab=$2
picture=$(realpath "$3")
folder=$4
filter=$5
expected=$6
mkdir -p "$folder"
rm -f "$folder"/*.png
QT_QPA_PLATFORM=xcb ZELVO_GEOMETRY_SHOTS=$folder ZELVO_SCREENSHOT=$folder/brightness.png ZELVO_SAMPLE=$picture \
  "$tests" --gtest_filter="$filter"
count=0
for shot in "$folder"/*.png; do
  info=$("$grab" --count "$shot")  # "WIDTHxHEIGHT, N colours"
  colours=$(echo "$info" | awk '{print $2}')
  echo "$shot: $info"
  [ "$colours" -ge 200 ] || { echo "too few colours in $shot"; exit 1; }
  count=$((count + 1))
done
[ "$count" -eq "$expected" ] || { echo "expected $expected screenshots, found $count"; exit 1; }
