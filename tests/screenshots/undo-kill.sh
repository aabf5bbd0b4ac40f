#!/usr/bin/env bash
# Starts the editor on a picture under the running X server (xvfb-run gives
# one), makes two undo steps with its keyboard shortcut (Ctrl+Shift+N,
# negative), waits until both snapshots are in its undo file, and kills it
# with SIGKILL. Nothing may stay in its temporary folder, nor in /var/tmp,
# where it goes when $TMPDIR does not exist (the second round).
# Usage: undo-kill.sh <zelvo> <picture>
set -euo pipefail
source "$(dirname "$0")/window-support.sh"
zelvo=$1
picture=$(realpath "$2")
config=$(mktemp -d)
scratch=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$config" "$scratch"' EXIT
temp_names() { find "$1" -maxdepth 1 -name '_ZV[0-9][0-9][0-9][0-9][0-9].tmp' -printf '%f\n' 2>/dev/null | sort; }
snapshot=$(stat -c %s "$picture")  # a snapshot is the picture as a 24-bit BMP, at least this size

for round in tmpdir missing; do
  if [ "$round" = tmpdir ]; then tmpdir=$scratch; folder=$scratch; else tmpdir=$scratch/missing; folder=/var/tmp; fi
  before=$(temp_names /var/tmp)
  QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME=$config XDG_STATE_HOME=$config/state-$round TMPDIR=$tmpdir "$zelvo" "$picture" &
  pid=$!
  want="Zelvo - $picture"
  id=$(wait_for_window "$want")
  [ -n "$id" ] || { echo "$round: no window titled \"$want\""; exit 1; }
  undo_fd=$(find "/proc/$pid/fd" -maxdepth 1 -type l -lname "$folder/* (deleted)" | head -n 1)
  [ -n "$undo_fd" ] || { echo "$round: no undo file open in $folder"; ls -l "/proc/$pid/fd"; exit 1; }
  xdotool windowfocus --sync "$id"
  size=0
  for _ in 1 2; do
    xdotool key --clearmodifiers ctrl+shift+n
    sleep 0.5
  done
  for _ in $(seq 1 100); do
    size=$(stat -L -c %s "$undo_fd")
    [ "$size" -ge $((2 * snapshot)) ] && break
    sleep 0.1
  done
  [ "$size" -ge $((2 * snapshot)) ] || { echo "$round: undo file of $size bytes, two snapshots expected"; exit 1; }
  echo "$round: undo file $(readlink "$undo_fd"), $size bytes (two undo steps)"
  kill -KILL "$pid"
  status=0
  wait "$pid" || status=$?
  pid=""
  [ "$status" -eq 137 ] || { echo "$round: exit status $status, 137 expected"; exit 1; }
  [ -z "$(temp_names "$scratch")" ] || { echo "$round: left in $scratch: $(temp_names "$scratch")"; exit 1; }
  new=$(comm -13 <(echo "$before") <(temp_names /var/tmp))
  [ -z "$new" ] || { echo "$round: left in /var/tmp: $new"; exit 1; }
  echo "$round: killed, nothing left behind"
done
