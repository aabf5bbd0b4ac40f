#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the sample picture.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-deps.sh
tools/build.sh
sample=build/sample/sample.bmp
if [ -x build/zelvo ]; then
  exec build/zelvo "$sample"
fi
exec build/zelvo-cli info "$sample"
