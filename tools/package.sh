#!/usr/bin/env bash
# Builds the Debian package zelvo_<version>_amd64.deb with cpack from a
# build (the programs, plug-ins, help pages, textures, icons, desktop entry,
# MIME type, manual pages, completion, thumbnailer and AppStream entry, as
# the install rules put them under /usr; the libraries it depends on found
# by dpkg-shlibdeps) and checks it with tools/check-package.sh (lintian,
# appstreamcli, desktop-file-validate).
#
# Usage: tools/package.sh [--no-build] [BUILD_DIR [OUT_DIR]]
#   BUILD_DIR   the build to package (default: build/, built first with
#               tools/build.sh unless --no-build)
#   OUT_DIR     where the .deb goes (default: BUILD_DIR/deb)
# Prints the path of the package.
set -euo pipefail
cd "$(dirname "$0")/.."
build_first=1
if [ "${1:-}" = "--no-build" ]; then
  build_first=0
  shift
fi
build=${1:-build}
out=${2:-$build/deb}
if ((build_first)) && [ "$build" = build ]; then
  tools/build.sh >&2
fi
[ -f "$build/CPackConfig.cmake" ] || { echo "package: $build is no configured build" >&2; exit 1; }
rm -rf "$out"
mkdir -p "$out"
# cpack installs into a staging folder below OUT_DIR; its log goes there too.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log" >&2; exit 1; }
deb=$(find "$out" -maxdepth 1 -name 'zelvo_*.deb' | head -n 1)
[ -n "$deb" ] || { echo "package: cpack made no zelvo_*.deb" >&2; cat "$out/cpack.log" >&2; exit 1; }
rm -rf "$out/_CPack_Packages"
tools/check-package.sh "$deb" >&2
echo "$deb"
