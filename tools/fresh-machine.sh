#!/usr/bin/env bash
# Runs the newcomer's test command on a machine that has never seen the
# project: a clean Debian 12 root made with mmdebstrap (variant apt, from
# the package sources of this machine's apt), a clone of the repository in
# /root/zelvo of that root, and `tools/test.sh` there as root with /proc,
# /sys, /dev and a fresh /dev/shm mounted. Prints ctest's closing line and
# exits with the status of the test run; tests that ctest reports as not
# run (skipped or disabled) count as a failure too. The root, its mounts
# and every process left in it are removed again on every way out.
#
# Usage: tools/fresh-machine.sh [--keep] [--no-ccache] [REPOSITORY [REF]]
#   REPOSITORY  a git checkout (default: the one holding this script)
#   REF         what to clone (default: HEAD, the committed state; changes
#               not committed are not part of the run)
#   --keep      leave the root (and its clone and build) in place
#   --no-ccache build from nothing instead of reading this machine's ccache
# The whole output of the run goes to a log beside the root
# (/var/tmp/zelvo-fresh.*.log, or $ZELVO_FRESH_DIR).
set -euo pipefail
# Read whole before it starts: the run is long, and the checkout may change
# under it (an edit, another branch checked out).
{

usage() { sed -n '/^# Usage:/,/^# (\/var/s/^# \{0,1\}//p' "$0"; }

# The checkout may belong to the user who ran sudo.
git() { command git -c safe.directory='*' "$@"; }

keep=0
use_ccache=1
ccache_dir=""
positional=()
while (($#)); do
  case $1 in
    --keep) keep=1 ;;
    --no-ccache) use_ccache=0 ;;
    --ccache-dir) ccache_dir=$2; shift ;;
    -h | --help) usage; exit 0 ;;
    -*) echo "fresh-machine: unknown option $1" >&2; usage >&2; exit 2 ;;
    *) positional+=("$1") ;;
  esac
  shift
done
((${#positional[@]} <= 2)) || { usage >&2; exit 2; }

repo=${positional[0]:-$(dirname "$0")/..}
repo=$(git -C "$repo" rev-parse --show-toplevel)
ref=${positional[1]:-HEAD}
commit=$(git -C "$repo" rev-parse --verify --quiet "$ref^{commit}") ||
  { echo "fresh-machine: $ref is no commit of $repo" >&2; exit 2; }

# The cache of the user who runs this, also when sudo makes us root below.
if ((use_ccache)) && [ -z "$ccache_dir" ] && command -v ccache >/dev/null; then
  ccache_dir=$(ccache -k cache_dir 2>/dev/null || true)
fi
flags=()
((keep)) && flags+=(--keep)
((use_ccache)) || flags+=(--no-ccache)
[ -n "$ccache_dir" ] && flags+=(--ccache-dir "$ccache_dir")
[ "$(id -u)" -eq 0 ] || exec sudo -- "$0" "${flags[@]}" "$repo" "$commit"
# A mount namespace of our own: the mounts below never reach the machine's
# (a bind of a shared /dev would pass them on), and they end with us even
# when this script is killed outright.
if [ -z "${ZELVO_FRESH_NAMESPACE:-}" ]; then
  ZELVO_FRESH_NAMESPACE=1 exec unshare --mount --propagation private -- "$0" "${flags[@]}" "$repo" "$commit"
fi
((use_ccache)) && [ -d "$ccache_dir" ] || use_ccache=0

if ! command -v mmdebstrap >/dev/null; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends mmdebstrap >/dev/null
fi

# The package sources this machine's apt uses, files switched off by a
# renamed suffix left out.
sources=()
if grep -qE '^[[:space:]]*deb' /etc/apt/sources.list 2>/dev/null; then sources+=(/etc/apt/sources.list); fi
for f in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] && sources+=("$f")
done
((${#sources[@]})) || { echo "fresh-machine: this machine's apt has no package sources" >&2; exit 1; }

base=${ZELVO_FRESH_DIR:-/var/tmp}
root=$(mktemp -d "$base/zelvo-fresh.XXXXXX")
chmod 755 "$root"  # apt's download user and the tests' users walk through it
log=$root.log
: >"$log"
mounts=()
running=""
started=$SECONDS

# Runs a long step in the background with its output in the log and waits
# for it, so that Ctrl+C or a kill reaches our trap at once instead of
# after the step (and the trap's messages reach the terminal).
run() {
  local status=0
  "$@" >>"$log" 2>&1 &
  running=$!
  wait "$running" || status=$?
  running=""
  return "$status"
}

# Ends what still runs inside the root (Xvfb, a D-Bus daemon or a test a
# Ctrl+C left behind), by process id, so that its mounts come free.
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

descendants() {  # descendants PID: the process ids below it
  local child
  for child in $(pgrep -P "$1"); do
    echo "$child"
    descendants "$child"
  done
}

still_mounted() { grep -qF " $root/" /proc/self/mountinfo; }

cleanup() {
  local status=$? i
  trap - EXIT INT TERM
  if [ -n "$running" ]; then
    # mmdebstrap finishes its current stage on a signal; its apt and dpkg
    # stop at once.
    kill -TERM "$running" $(descendants "$running") 2>/dev/null || true
    wait "$running" 2>/dev/null || true
  fi
  end_processes_inside
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}" || true
  done
  if still_mounted; then
    echo "fresh-machine: something is still mounted under $root; left in place" >&2
    status=1
  elif ((keep)); then
    echo "fresh-machine: root kept in $root"
  else
    rm -rf --one-file-system "$root"
  fi
  ((status == 130 || status == 143)) && echo "fresh-machine: stopped"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mount_in() {  # mount_in TARGET MOUNT-ARGUMENTS...
  local target=$root$1
  shift
  mkdir -p "$target"
  mount "$@" "$target"
  mounts+=("$target")
}

echo "fresh-machine: $(git -C "$repo" log -1 --format='%h %s' "$commit")"
echo "fresh-machine: root $root, log $log"
echo "fresh-machine: making a Debian 12 root"
run mmdebstrap --mode=root --variant=apt --quiet bookworm "$root" "${sources[@]}" ||
  { tail -n 20 "$log"; exit 1; }

git clone --quiet --no-checkout --no-hardlinks "$repo" "$root/root/zelvo"
git -C "$root/root/zelvo" checkout --quiet --detach "$commit"

mount_in /proc -t proc proc
mount_in /sys -t sysfs sysfs
mount_in /dev --bind /dev
mount_in /dev/shm -t tmpfs -o mode=1777,nosuid,nodev tmpfs

environment=(HOME=/root USER=root LOGNAME=root SHELL=/bin/bash LANG=C.UTF-8 TERM=dumb
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin)
# CI=true builds as CI does (warnings are errors), and so reads the objects
# of this machine's CI-style builds from the cache.
[ "${CI:-}" = "true" ] && environment+=(CI=true)
if ((use_ccache)); then
  # This machine's compiled objects, read only: paths below the clone are
  # hashed relative to it, as the host's cache stores them.
  mount_in /var/cache/host-ccache --bind "$ccache_dir"
  mount -o remount,bind,ro "$root/var/cache/host-ccache"
  environment+=(CCACHE_DIR=/var/cache/host-ccache CCACHE_READONLY=1 CCACHE_TEMPDIR=/tmp/ccache
    CCACHE_BASEDIR=/root/zelvo CCACHE_NOHASHDIR=1)
fi

echo "fresh-machine: tools/test.sh in the clone"
status=0
run chroot "$root" /usr/bin/env -i "${environment[@]}" /bin/bash -c 'cd /root/zelvo && tools/test.sh' ||
  status=$?

closing=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)
not_run=$(grep -E '^[[:space:]]+[0-9]+ - .* \((Skipped|Disabled)\)$' "$log" || true)
echo "fresh-machine: ${closing:-no ctest summary}"
if ((status != 0)); then
  tail -n 40 "$log"
elif [ -n "$not_run" ]; then
  echo "fresh-machine: tests that did not run:"
  echo "$not_run"
  status=1
fi
echo "fresh-machine: $(((SECONDS - started) / 60)) min $(((SECONDS - started) % 60)) s, exit status $status"
exit "$status"
}
