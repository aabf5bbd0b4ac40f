#!/usr/bin/env bash
# Installs a build into a fresh temporary prefix and checks the installed
# tree: the programs, the generated help pages with their pictures where
# the installed editor looks for them (bin/../share/zelvo/help), the
# desktop entry (accepted by desktop-file-validate, with the English and
# Japanese names and every picture type the editor opens), the icon, the
# PAM MIME type, and our image plug-ins with their header.
# Usage: check-install.sh BUILD_DIR PREFIX   (PREFIX is emptied first)
set -euo pipefail
build=$1
prefix=$2
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
fail() { echo "check-install: $*"; exit 1; }
for f in bin/zelvo bin/zelvo-cli; do
  [ -x "$prefix/$f" ] || fail "missing program $f"
done
help=$prefix/bin/../share/zelvo/help
[ -f "$help/index.html" ] || fail "no help pages in $help"
pages=$(find "$help" -name 'topic-*.html' | wc -l)
[ "$pages" -ge 1 ] || fail "no topic pages in $help"
# The generated pages come with their pictures and the command-line guide.
for f in topic-2.html docCommandLine.html help.css img/sample.png; do
  [ -f "$help/$f" ] || fail "missing help file $f"
done
# The English interface's catalogue and help, where the installed editor
# looks for them.
[ -f "$prefix/bin/../share/zelvo/translations/zelvo_en.qm" ] || fail "missing share/zelvo/translations/zelvo_en.qm"
[ -f "$help/en/index.html" ] || fail "no English help in $help/en"
textures=$(find "$prefix/bin/../share/zelvo/textures" -name '*.bmp' 2>/dev/null | wc -l || true)
[ "$textures" -ge 1 ] || fail "no textures in share/zelvo/textures"
desktop=$prefix/share/applications/zelvo.desktop
[ -f "$desktop" ] || fail "missing $desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate refused $desktop"
for key in 'Name=' 'Name\[ja\]=' 'GenericName=' 'GenericName\[ja\]=' 'Comment=' 'Comment\[ja\]=' 'Icon=zelvo' 'Exec=zelvo %f'; do
  grep -q "^$key" "$desktop" || fail "no $key line in $desktop"
done
# Every type the format table reads, as the installed zelvo-cli lists them.
types=$(grep '^MimeType=' "$desktop")
table=$("$prefix/bin/zelvo-cli" formats --mime-types) || fail "installed zelvo-cli formats failed"
[ -n "$table" ] || fail "zelvo-cli formats --mime-types lists no type"
IFS=';' read -r -a wanted <<<"$table"
for t in "${wanted[@]}"; do
  case "$types;" in *"=$t;"* | *";$t;"*) ;; *) fail "MimeType lacks $t" ;; esac
done
[ -f "$prefix/share/icons/hicolor/scalable/apps/zelvo.svg" ] || fail "missing icon"
grep -q 'image/x-portable-arbitrarymap' "$prefix/share/mime/packages/zelvo.xml" || fail "missing PAM MIME type"
"$prefix/bin/zelvo-cli" --version >/dev/null || fail "installed zelvo-cli does not run"
# Our image plug-ins, where the installed programs look (bin/../lib/zelvo/plugins).
for p in tga pcx; do
  [ -f "$prefix/lib/zelvo/plugins/$p.spi" ] || fail "missing plug-in lib/zelvo/plugins/$p.spi"
done
[ -f "$prefix/include/zelvo/spi.h" ] || fail "missing the plug-in header include/zelvo/spi.h"
XDG_CONFIG_HOME=$prefix/config XDG_DATA_HOME=$prefix/data "$prefix/bin/zelvo-cli" info \
  "$(dirname "$0")/../tests/data/plugins/tga/nb-rgb-rle.tga" | grep -q '^width: 37$' ||
  fail "installed zelvo-cli does not read TGA through its plug-in"
echo "installed into $prefix: $(find "$prefix" -type f | wc -l) files, desktop entry valid"
rm -rf "$prefix"
