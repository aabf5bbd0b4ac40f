#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-deps.sh
tools/build.sh
cd build
# A test that hangs fails after ten minutes instead of holding the run.
ctest --output-on-failure -j2 --timeout 600 "$@"
