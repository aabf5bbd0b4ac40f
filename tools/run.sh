#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the sample picture.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-deps.sh
tools/build.sh
exec build/zelvo build/sample/sample.bmp "$@"
