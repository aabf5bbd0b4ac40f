#!/usr/bin/env bash
# Checks a built zelvo_*.deb: lintian reports no error (the warnings we
# accept are listed below with the reason), the AppStream entry passes
# appstreamcli validate, the desktop entry desktop-file-validate, the
# package holds every part the desktop looks for and stays below 25 MB,
# the manual pages render without warnings, and the bash completion
# completes commands and operation names.
# Usage: check-package.sh ZELVO.deb
set -euo pipefail
deb=$1
fail() { echo "check-package: $*" >&2; exit 1; }
[ -f "$deb" ] || fail "no package $deb"

# The lintian warnings we accept, each with its reason. (Informational tags
# stay: help pages outside /usr/share/doc, which the editor opens from
# /usr/share/zelvo/help; no -z now and no fortified calls in some objects;
# the compiler's .comment sections.)
accepted=(
  # The project has chosen no licence yet (resources/package/copyright).
  copyright-without-copyright-notice
)
suppress=$(IFS=,; echo "${accepted[*]}")
lintian --fail-on error --suppress-tags "$suppress" --tag-display-limit 0 "$deb" ||
  fail "lintian reports an error"

size=$(stat -c %s "$deb")
((size <= 25 * 1024 * 1024)) || fail "the package is $size bytes, more than 25 MB"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
need=(
  usr/bin/zelvo usr/bin/zelvo-cli
  usr/share/applications/zelvo.desktop usr/share/mime/packages/zelvo.xml
  usr/share/icons/hicolor/scalable/apps/zelvo.svg
  usr/share/man/man1/zelvo.1.gz usr/share/man/man1/zelvo-cli.1.gz
  usr/share/bash-completion/completions/zelvo-cli usr/share/zsh/vendor-completions/_zelvo-cli
  usr/share/thumbnailers/zelvo.thumbnailer
  usr/share/zelvo/help/index.html usr/share/doc/zelvo/copyright usr/share/doc/zelvo/changelog.gz
  usr/lib/zelvo/plugins/tga.spi usr/lib/zelvo/plugins/pcx.spi
)
for size_px in 16 22 24 32 48 64 128 256; do
  need+=("usr/share/icons/hicolor/${size_px}x${size_px}/apps/zelvo.png")
done
for f in "${need[@]}"; do
  [ -f "$root/$f" ] || fail "the package lacks /$f"
done
find "$root/usr/share/zelvo/textures" -name '*.bmp' | grep -q . || fail "the package has no textures"
metainfo=$(find "$root/usr/share/metainfo" -name '*.metainfo.xml' | head -n 1)
[ -n "$metainfo" ] || fail "the package has no AppStream entry"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate refused $(basename "$metainfo")"
desktop-file-validate "$root/usr/share/applications/zelvo.desktop" || fail "desktop-file-validate refused zelvo.desktop"

for page in zelvo zelvo-cli; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l \
    "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null || true)
  [ -z "$warnings" ] || fail "man $page: $warnings"
done

# The bash completion: a command from its first letters, an operation name
# after apply.
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _zelvo_cli; echo "${COMPREPLY[@]}"' \
    _ "$root/usr/share/bash-completion/completions/zelvo-cli" "$@"
}
[ "$(complete_words zelvo-cli thum)" = thumbnail ] || fail "bash completion of \"thum\": $(complete_words zelvo-cli thum)"
complete_words zelvo-cli apply in.png out.png Brightn | grep -qw Brightness ||
  fail "bash completion offers no operation after apply"
if command -v zsh >/dev/null; then
  zsh -n "$root/usr/share/zsh/vendor-completions/_zelvo-cli" || fail "zsh completion does not parse"
fi
echo "check-package: $(basename "$deb") $size bytes, lintian, appstreamcli and desktop-file-validate pass"
