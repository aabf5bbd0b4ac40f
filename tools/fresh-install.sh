#!/usr/bin/env bash
# Installs the Debian package into a clean Debian 12 root (mmdebstrap,
# variant apt, from this machine's package sources; no compiler, no
# development package) and uses it there as a person would:
#   1. apt-get install ./zelvo_*.deb pulls in what the package depends on;
#   2. with nothing else installed: zelvo-cli --version, a batch conversion,
#      the thumbnailer's command line (from the installed .thumbnailer
#      file) on a PhotoCD, a TGA and an icon, and every library of the
#      programs and plug-ins found;
#   3. then xvfb, man-db and x11-utils for looking at it: zelvo starts on
#      the sample picture under Xvfb (its window photographed into
#      OUT_DIR/zelvo-xvfb.png) and `man zelvo-cli` shows the page;
#   4. apt-get remove zelvo leaves none of the files `dpkg -L zelvo` listed.
# The root, its mounts and every process left in it are removed again on
# every way out. The whole output goes to OUT_DIR/fresh-install.log.
#
# Usage: tools/fresh-install.sh [DEB [OUT_DIR]]
#   DEB      the package (default: made by tools/package.sh)
#   OUT_DIR  where the log and the screenshot go (default: build/fresh-install)
set -euo pipefail
{
cd "$(dirname "$0")/.."
here=$(pwd)
deb=${1:-}
out=${2:-build/fresh-install}
mkdir -p "$out"
out=$(cd "$out" && pwd)
if [ -z "$deb" ]; then
  deb=$(tools/package.sh)
fi
deb=$(realpath "$deb")
[ "$(id -u)" -eq 0 ] || exec sudo -- "$0" "$deb" "$out"
if [ -z "${ZELVO_FRESH_NAMESPACE:-}" ]; then
  ZELVO_FRESH_NAMESPACE=1 exec unshare --mount --propagation private -- "$0" "$deb" "$out"
fi

sources=()
if grep -qE '^[[:space:]]*deb' /etc/apt/sources.list 2>/dev/null; then sources+=(/etc/apt/sources.list); fi
for f in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] && sources+=("$f")
done
((${#sources[@]})) || { echo "fresh-install: this machine's apt has no package sources" >&2; exit 1; }

root=$(mktemp -d "${ZELVO_FRESH_DIR:-/var/tmp}/zelvo-install.XXXXXX")
chmod 755 "$root"
log=$out/fresh-install.log
: >"$log"
mounts=()
started=$SECONDS

end_processes_inside() {
  local signal pid left
  for signal in TERM KILL; do
    left=0
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
      [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$root" ] || continue
      kill -"$signal" "$pid" 2>/dev/null && left=1
    done
    ((left)) || return 0
    sleep 2
  done
}
cleanup() {
  local status=$? i
  trap - EXIT INT TERM
  end_processes_inside
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}" || true
  done
  if grep -qF " $root/" /proc/self/mountinfo; then
    echo "fresh-install: something is still mounted under $root; left in place" >&2
    status=1
  else
    rm -rf --one-file-system "$root"
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
mount_in() {
  local target=$root$1
  shift
  mkdir -p "$target"
  mount "$@" "$target"
  mounts+=("$target")
}
say() { echo "fresh-install: $*" | tee -a "$log"; }
inside() {  # inside COMMAND...: runs a shell command in the root, output to the log
  chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb DEBIAN_FRONTEND=noninteractive \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin /bin/bash -euo pipefail -c "$1" >>"$log" 2>&1
}
fail() { say "FAILED: $*"; tail -n 30 "$log" >&2; exit 1; }

say "$(basename "$deb"), root $root"
say "making a Debian 12 root"
mmdebstrap --mode=root --variant=apt --quiet bookworm "$root" "${sources[@]}" >>"$log" 2>&1 ||
  fail "mmdebstrap"
mount_in /proc -t proc proc
mount_in /sys -t sysfs sysfs
mount_in /dev --bind /dev
mount_in /dev/shm -t tmpfs -o mode=1777,nosuid,nodev tmpfs
mkdir -p "$root/root/work/in"
cp "$deb" "$root/root/work/"
cp build/sample/sample.bmp "$root/root/work/in/"
cp tests/data/corpus/pcd/pillow/hopper.pcd tests/data/corpus/ico/image-rs/smile.ico \
   tests/data/plugins/tga/nb-rgb-rle.tga "$root/root/work/"
for t in gcc g++ cc make cmake; do
  inside "! command -v $t" || fail "the clean root has $t"
done

say "apt-get install ./$(basename "$deb")"
inside "apt-get update -qq && cd /root/work && apt-get install -y -qq ./$(basename "$deb")" || fail "apt-get install"
inside "dpkg-query -W -f='\${Installed-Size} kB installed, depends: \${Depends}\n' zelvo" || true
grep -E 'kB installed' "$log" | tail -n 1 | sed 's/^/fresh-install: /'
inside "dpkg -L zelvo > /root/work/files.txt"

say "zelvo-cli --version, batch, thumbnailer, libraries"
inside "zelvo-cli --version" || fail "zelvo-cli --version"
inside "cd /root/work && mkdir -p out && zelvo-cli batch in out --format png --width 320 && zelvo-cli info out/sample.png | grep -qx 'width: 320'" ||
  fail "batch conversion"
# The thumbnailer's own command line, %s %i %o filled in as a file manager does.
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/thumbnailers/zelvo.thumbnailer")
for f in hopper.pcd smile.ico nb-rgb-rle.tga; do
  cmd=${exec_line//%s/128}
  cmd=${cmd//%i//root/work/$f}
  cmd=${cmd//%o//root/work/$f.thumb.png}
  inside "$cmd && grep -qa 'Thumb::URI' /root/work/$f.thumb.png && zelvo-cli info /root/work/$f.thumb.png | head -n 2" ||
    fail "thumbnailer on $f"
done
inside "for f in /usr/bin/zelvo /usr/bin/zelvo-cli /usr/lib/zelvo/plugins/*.spi; do ! ldd \$f | grep 'not found'; done" ||
  fail "a library is missing"

say "xvfb, man-db, x11-utils for looking at it"
inside "apt-get install -y -qq --no-install-recommends xvfb xauth x11-utils x11-apps man-db" || fail "apt-get install xvfb"
inside "man zelvo-cli | col -b > /root/work/man.txt && head -n 12 /root/work/man.txt" || fail "man zelvo-cli"
inside "man -w zelvo && man -w zelvo-cli" || fail "man pages not found"
say "zelvo under Xvfb on the sample picture"
inside 'cd /root/work && xvfb-run -a -s "-screen 0 1024x768x24" bash -c "
  zelvo /root/work/in/sample.bmp & pid=\$!
  for i in \$(seq 1 100); do xwininfo -root -tree | grep -q \"Zelvo - /root/work/in/sample.bmp\" && break; sleep 0.2; done
  xwininfo -root -tree | grep \"Zelvo - \"
  sleep 2
  xwd -root -silent > /root/work/zelvo-xvfb.xwd
  kill \$pid; wait \$pid"' || fail "zelvo under Xvfb"
if command -v convert >/dev/null; then
  convert "xwd:$root/root/work/zelvo-xvfb.xwd" "$out/zelvo-xvfb.png" && say "screenshot $out/zelvo-xvfb.png"
else
  cp "$root/root/work/zelvo-xvfb.xwd" "$out/" && say "screenshot $out/zelvo-xvfb.xwd"
fi

say "apt-get remove zelvo"
inside "apt-get remove -y -qq zelvo" || fail "apt-get remove"
left=$(inside "while read -r f; do [ -d \"\$f\" ] || [ ! -e \"\$f\" ] || echo \"left: \$f\"; done < /root/work/files.txt" ; grep '^left: ' "$log" || true)
[ -z "$left" ] || fail "files left after apt-get remove: $left"
files=$(grep -vc '^/\.$' "$root/root/work/files.txt" || true)
say "removed: none of the $files paths of dpkg -L zelvo is left"
say "passed in $((SECONDS - started)) s"
}
