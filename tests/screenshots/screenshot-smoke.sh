#!/usr/bin/env bash
# Starts the editor on a picture under the running X server (xvfb-run gives
# one), waits for its window, takes a screenshot of it and checks the title
# ("Zelvo - " and the full path) and that the picture is on the screen;
# checks that its undo file is open in $TMPDIR without a name; then ends it
# with SIGTERM, which must quit normally and leave no undo file.
# Usage: screenshot-smoke.sh <zelvo> <zelvo_screen_grab> <picture> <screenshot.png>
set -euo pipefail
source "$(dirname "$0")/window-support.sh"
zelvo=$1
grab=$2
picture=$(realpath "$3")
shot=$4
config=$(mktemp -d)
scratch=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$config" "$scratch"' EXIT
QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME=$config XDG_STATE_HOME=$config/state TMPDIR=$scratch "$zelvo" "$picture" &
pid=$!
want="Zelvo - $picture"
id=$(wait_for_window "$want")
[ -n "$id" ] || { echo "no window titled \"$want\""; exit 1; }
sleep 1  # let it paint
info=$("$grab" --window "$id" "$shot")  # "WIDTHxHEIGHT, N colours"
colours=$(echo "$info" | awk '{print $2}')
echo "window $id \"$want\" $info, screenshot $shot"
# The photo brings thousands of colours; an empty or unpainted window a few.
[ "$colours" -ge 1000 ] || { echo "too few colours"; exit 1; }
undo_files() { find "$scratch" -maxdepth 1 -name '_ZV*.tmp'; }
# The undo file is open in $scratch but has no name there.
undo_fd=$(find "/proc/$pid/fd" -maxdepth 1 -type l -lname "$scratch/* (deleted)" | head -n 1)
[ -n "$undo_fd" ] || { echo "no undo file open in $scratch"; ls -l "/proc/$pid/fd"; exit 1; }
[ -z "$(undo_files)" ] || { echo "undo file has a name: $(undo_files)"; exit 1; }
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
[ "$status" -eq 0 ] || { echo "SIGTERM: exit status $status"; exit 1; }
[ -z "$(undo_files)" ] || { echo "left behind after SIGTERM: $(undo_files)"; exit 1; }
echo "SIGTERM: quit normally, undo file removed"
