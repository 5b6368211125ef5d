#!/usr/bin/env bash
# make test-win32: the 32-bit Windows suite needs 32-bit Wine, which cannot sit beside the
# 64-bit one on this system. It runs in an i386 Debian chroot (minbase, then Wine), built once
# and cached (by default outside the work tree, so that every clone on the machine shares it),
# with the work tree bind-mounted at its own path; the mounts go away at the end. Where the
# kernel does not run i386 programs, qemu-user runs them (slower: minutes instead of one).
#   run-win32-chroot.sh WORK_TREE BUILD_WIN32_DIR CHROOT_DIR
# Needs root, debootstrap and the package mirror that apt on this system uses.
set -eu
tree=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
root="$3"

[ "$(id -u)" = 0 ] || { echo "test-win32: needs root (debootstrap, chroot, mounts)" >&2; exit 1; }

# 32-bit Wine is a 32-bit Linux program: the kernel must run i386 executables, natively or
# through qemu-i386-static registered with binfmt_misc. Find out before spending minutes on the
# chroot.
if ! "$tree/scripts/i386-exec" --enable; then
  echo "test-win32: this system does not run 32-bit x86 programs, so 32-bit Wine cannot run" \
       "here" >&2
  exit 77
fi

# The suite this system's apt reads from, and its mirror.
mirror_uri() {
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -e "$f" ] && awk '/^URIs:/ { print $2; exit }' "$f" && return
  done
  awk '$1 == "deb" { print $2; exit }' /etc/apt/sources.list 2>/dev/null
}
suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
mirror=$(mirror_uri)
[ -n "$mirror" ] || { echo "test-win32: no package mirror found in apt's sources" >&2; exit 1; }

# One run at a time per chroot: the runs of several clones share it.
mkdir -p "$(dirname "$root")"
exec 9>"$root.lock"
flock 9

# With the lock held, any mount under the chroot was left by a run that was killed before its
# clean-up. Take them down, deepest first; one left would let the chroot's removal reach the
# real tree.
stale_mounts() { awk -v r="$root/" 'index($2, r) == 1 { print $2 }' /proc/mounts | sort -r -u; }
for target in $(stale_mounts); do
  echo "test-win32: unmounting $target, left by an earlier run"
  umount "$target" 2>/dev/null || umount -l "$target"
done
if [ -n "$(stale_mounts)" ]; then
  echo "test-win32: $root still has mounts that would not go: $(stale_mounts | tr '\n' ' ')" >&2
  exit 1
fi

# Wine's preloader reserves the Windows address ranges before anything else is mapped. Without
# it, every Wine process probes the whole 4 GiB for free space 64 KiB at a time; under
# qemu-user, which takes a "fixed, no replace" mapping for a mere hint, that costs about a
# minute of CPU per process, and the first start of a prefix outlasts Wine's 5-minute wait for
# it ("could not load kernel32.dll"). Natively the probes fail at once and cost little.
packages="wine wine32 wine32-preloader xvfb xauth"
install_packages() {
  chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive \
    /bin/sh -c "apt-get update -qq && apt-get install -y -qq --no-install-recommends $packages" \
    >>"$root.log" 2>&1 || { tail -20 "$root.log" >&2; echo "test-win32: installing Wine failed" >&2; exit 1; }
}
if [ ! -e "$root/.kvtc-ready" ]; then
  echo "test-win32: building the i386 chroot in $root ($suite)"
  rm -rf "$root"
  debootstrap --arch=i386 --variant=minbase "$suite" "$root" "$mirror" >"$root.log" 2>&1 ||
    { tail -20 "$root.log" >&2; exit 1; }
  install_packages
  touch "$root/.kvtc-ready"
elif [ ! -e "$root/usr/lib/wine/wine-preloader" ]; then
  echo "test-win32: adding Wine's preloader to the i386 chroot in $root"
  install_packages
fi

mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount -R "${mounted[i]}" 2>/dev/null || umount -R -l "${mounted[i]}"
  done
}
trap cleanup EXIT
bind() {  # source target-inside-chroot
  mkdir -p "$root$2"
  mount --bind "$1" "$root$2"
  mounted+=("$root$2")
}
mount -t proc proc "$root/proc" && mounted+=("$root/proc")
# /dev with its submounts (/dev/shm, /dev/pts), as a slave so that nothing done inside
# reaches the system's own.
mount --rbind /dev "$root/dev" && mount --make-rslave "$root/dev" && mounted+=("$root/dev")
bind "$tree" "$tree"
[ "${build#"$tree"/}" != "$build" ] || bind "$build" "$build"

chroot "$root" /usr/bin/env -i PATH=/usr/local/bin:/usr/bin:/bin HOME=/root LANG=C.UTF-8 \
  /bin/bash "$tree/tests/windows/run-wine-suite.sh" "$build" i686
