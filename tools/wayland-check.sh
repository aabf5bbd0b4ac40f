#!/usr/bin/env bash
# Starts the editor natively on Wayland (Qt's Wayland platform) under a
# headless Weston compositor of its own and photographs the compositor's
# output with weston-screenshooter: proof that the editor runs without X.
# Usage: tools/wayland-check.sh ZELVO PICTURE OUT.png
set -euo pipefail
zelvo=$(realpath "$1")
picture=$(realpath "$2")
out=$3
runtime=$(mktemp -d)
chmod 700 "$runtime"
weston_pid=""
zelvo_pid=""
cleanup() {
  [ -n "$zelvo_pid" ] && kill "$zelvo_pid" 2>/dev/null || true
  [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$runtime"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR=$runtime
# --debug lets weston-screenshooter take the output; --use-pixman draws it
# (the headless output draws nothing otherwise).
weston --backend=headless-backend.so --use-pixman --socket=zelvo-check --width=1024 --height=768 --debug \
  --idle-time=0 >"$runtime/weston.log" 2>&1 &
weston_pid=$!
for _ in $(seq 1 50); do
  [ -S "$runtime/zelvo-check" ] && break
  sleep 0.1
done
[ -S "$runtime/zelvo-check" ] || { cat "$runtime/weston.log"; echo "wayland-check: weston did not start" >&2; exit 1; }
config=$(mktemp -d -p "$runtime")
WAYLAND_DISPLAY=zelvo-check QT_QPA_PLATFORM=wayland XDG_CONFIG_HOME=$config XDG_CACHE_HOME=$config \
  "$zelvo" "$picture" >"$runtime/zelvo.log" 2>&1 &
zelvo_pid=$!
sleep 4
kill -0 "$zelvo_pid" 2>/dev/null || { cat "$runtime/zelvo.log"; echo "wayland-check: zelvo ended" >&2; exit 1; }
(cd "$runtime" && WAYLAND_DISPLAY=zelvo-check timeout 20 weston-screenshooter) >/dev/null 2>&1 ||
  { cat "$runtime/weston.log"; echo "wayland-check: no screenshot" >&2; exit 1; }
shot=$(find "$runtime" -maxdepth 1 -name 'wayland-screenshot*.png' | head -n 1)
[ -n "$shot" ] || { echo "wayland-check: weston-screenshooter wrote nothing" >&2; exit 1; }
cp "$shot" "$out"
echo "wayland-check: zelvo runs on Wayland (platform wayland), screenshot $out"
grep -i 'wayland\|qt.qpa' "$runtime/zelvo.log" || true
