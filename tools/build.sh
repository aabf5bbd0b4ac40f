#!/usr/bin/env bash
# Configures and builds into build/ with Ninja and ccache.
set -euo pipefail
cd "$(dirname "$0")/.."
# Test discovery runs the GUI test programs while building; they need no display.
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
extra=()
[ "${CI:-}" = "true" ] && extra+=(-DZELVO_WERROR=ON)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${extra[@]}" "$@" >/dev/null
cmake --build build
