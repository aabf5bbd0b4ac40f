#!/usr/bin/env bash
# Takes the screenshot of the AppStream entry: the editor on a picture
# under a virtual X server of its own (xvfb-run), its window photographed
# by the tests' camera (zelvo_screen_grab).
# Usage: appstream-screenshot.sh ZELVO GRAB PICTURE OUT.png
set -euo pipefail
if [ -z "${ZELVO_SHOT_INSIDE:-}" ]; then
  ZELVO_SHOT_INSIDE=1 exec xvfb-run -a -s "-screen 0 1280x900x24" "$0" "$@"
fi
source "$(dirname "$0")/../tests/screenshots/window-support.sh"
zelvo=$1
grab=$2
picture=$(realpath "$3")
out=$4
config=$(mktemp -d)
scratch=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$config" "$scratch"' EXIT
mkdir -p "$(dirname "$out")"
QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME=$config XDG_CACHE_HOME=$scratch TMPDIR=$scratch "$zelvo" "$picture" &
pid=$!
want="Zelvo - $picture"
id=$(wait_for_window "$want")
[ -n "$id" ] || { echo "appstream-screenshot: no window titled \"$want\"" >&2; exit 1; }
sleep 1  # let it paint
"$grab" --window "$id" "$out" >/dev/null
kill -TERM "$pid"
wait "$pid" || true
pid=""
