#!/usr/bin/env bash
# The unsaved picture survives kill -9. Under the running X server
# (xvfb-run gives one): starts the editor on a copy of a BMP picture, makes
# three edits with their shortcuts (negative Ctrl+Shift+N, mirror Ctrl+M,
# rotate right Ctrl+Alt+R), waits 3 s and until the recovery file is there;
# a second editor started meanwhile offers nothing; kills the first with
# SIGKILL and starts the editor again: the restore dialog offers the
# picture (photographed to SHOT), Return restores it under its name
# (title), modified (closing asks), and Ctrl+S writes exactly the pixels
# zelvo-cli apply gives for the same three operations. Nothing is left in
# the recovery folder afterwards.
# Usage: recovery-kill.sh <zelvo> <zelvo-cli> <zelvo_screen_grab> <picture.bmp> <shot.png>
set -euo pipefail
source "$(dirname "$0")/window-support.sh"
zelvo=$1
cli=$2
grab=$3
source_picture=$(realpath "$4")
shot=$5
scratch=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done; rm -rf "$scratch"' EXIT
picture=$scratch/picture.bmp
cp "$source_picture" "$picture"
export QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME=$scratch/config XDG_STATE_HOME=$scratch/state TMPDIR=$scratch
folder=$scratch/state/zelvo/recovery
recovery_files() { find "$folder" -maxdepth 1 -name '*.zvr' 2>/dev/null; }
focus() {  # a window just found may not be mapped yet
  for _ in $(seq 1 50); do
    xdotool windowfocus --sync "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "cannot focus window $1"
  return 1
}
no_window() {  # fails when a window titled exactly $1 shows up within $2 seconds
  for _ in $(seq 1 $(($2 * 10))); do
    if xwininfo -root -tree | grep -qF "\"$1\""; then return 1; fi
    sleep 0.1
  done
}

"$zelvo" "$picture" &
first=$!
pids+=("$first")
id=$(wait_for_window "Zelvo - $picture")
[ -n "$id" ] || { echo "no window titled \"Zelvo - $picture\""; exit 1; }
focus "$id"
for keys in ctrl+shift+n ctrl+m ctrl+alt+r; do
  xdotool key --clearmodifiers "$keys"
  sleep 0.5
done
sleep 3
for _ in $(seq 1 200); do
  [ -n "$(recovery_files)" ] && break
  sleep 0.1
done
[ -n "$(recovery_files)" ] || { echo "no recovery file in $folder"; ls -la "$folder" || true; exit 1; }
echo "edited: $(recovery_files), $(stat -c %s "$(recovery_files)") bytes, mode $(stat -c %a "$(recovery_files)")"
[ "$(stat -c %a "$(recovery_files)")" = 600 ] || { echo "recovery file not mode 600"; exit 1; }

# A second editor while the first runs: its window, and no offer.
"$zelvo" &
second=$!
pids+=("$second")
[ -n "$(wait_for_shown_window "Zelvo")" ] || { echo "the second editor shows no window"; exit 1; }
no_window "画像の復元" 3 || { echo "the second editor offers the running one's picture"; exit 1; }
kill -TERM "$second"
wait "$second" || { echo "the second editor did not quit normally"; exit 1; }
echo "second editor: nothing offered"

kill -KILL "$first"
status=0
wait "$first" || status=$?
[ "$status" -eq 137 ] || { echo "exit status $status, 137 expected"; exit 1; }
[ -n "$(recovery_files)" ] || { echo "the recovery file went with the editor"; exit 1; }

"$zelvo" &
third=$!
pids+=("$third")
dialog=$(wait_for_window "画像の復元")
[ -n "$dialog" ] || { echo "no restore dialog"; exit 1; }
sleep 1  # let it paint
echo "restore dialog: $("$grab" --window "$dialog" "$shot"), screenshot $shot"
focus "$dialog"
xdotool key --clearmodifiers Return
id=$(wait_for_window "Zelvo - $picture")
[ -n "$id" ] || { echo "not restored under its name"; exit 1; }
# Modified: closing asks (a box titled "Zelvo"); Esc answers Cancel.
focus "$id"
xdotool key --clearmodifiers alt+F4
question=$(wait_for_shown_window "Zelvo")
[ -n "$question" ] || { echo "closing the restored picture does not ask"; exit 1; }
# Esc until the question is gone: a key sent before the box has taken the
# focus from the server is lost, and the box would then swallow Ctrl+S.
shown() { xwininfo -id "$1" 2>/dev/null | grep -q "IsViewable"; }
explain() {  # the windows, the focus and the screen when a step fails
  echo "question window: $question; focus: $(xdotool getwindowfocus 2>/dev/null || true)"
  xwininfo -root -tree | grep -F '"' | grep -v '"Zelvo"' -c | sed 's/^/other named windows: /'
  for w in $(xwininfo -root -tree | grep -F '"Zelvo' | awk '{print $1}'); do
    echo "$w $(xwininfo -id "$w" | grep -E 'Map State|Width|Height' | tr -s ' \n' ' ') $(xprop -id "$w" WM_NAME _NET_WM_WINDOW_TYPE WM_TRANSIENT_FOR 2>/dev/null | tr '\n' ' ')"
  done
  root=$(xwininfo -root | awk '/Window id/ {print $4}')
  echo "screen: $("$grab" --window "$root" "${shot%.png}-failure.png")"
}
asked=1
for _ in $(seq 1 10); do
  shown "$question" || { asked=0; break; }
  focus "$question" || true
  xdotool key --clearmodifiers Escape
  for _ in $(seq 1 30); do
    shown "$question" || break
    sleep 0.1
  done
done
[ "$asked" -eq 0 ] || { echo "the close question does not go with Esc"; explain; exit 1; }
before=$(md5sum < "$picture")
saved() { [ "$(md5sum < "$picture")" != "$before" ] && [ -z "$(recovery_files)" ]; }
for _ in 1 2 3; do
  saved && break
  focus "$id"
  xdotool key --clearmodifiers ctrl+s
  for _ in $(seq 1 100); do
    saved && break
    sleep 0.1
  done
done
[ "$(md5sum < "$picture")" != "$before" ] || { echo "Ctrl+S did not save the picture"; explain; exit 1; }
[ -z "$(recovery_files)" ] || { echo "saving left $(recovery_files)"; exit 1; }
"$cli" apply "$source_picture" "$scratch/expected.bmp" Negative Mirror Rotate90:1
"$cli" decode "$scratch/expected.bmp" "$scratch/expected.ppm"
"$cli" decode "$picture" "$scratch/saved.ppm"
cmp "$scratch/expected.ppm" "$scratch/saved.ppm" || { echo "saved pixels differ from zelvo-cli apply"; exit 1; }
echo "restored and saved: the pixels of zelvo-cli apply, $("$cli" info "$picture" | head -n 2 | tr '\n' ' ')"
kill -TERM "$third"
wait "$third" || { echo "the editor did not quit normally"; exit 1; }
[ -z "$(recovery_files)" ] || { echo "left behind: $(recovery_files)"; exit 1; }
echo "quit: recovery folder empty"
