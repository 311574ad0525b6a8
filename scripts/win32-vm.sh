#!/usr/bin/env bash
# Runs one command inside a small Debian virtual machine that runs 32-bit programs, for
# machines whose kernel cannot (wine32 needs a kernel with 32-bit support). The checkout is
# shared with the machine read-write at the same absolute path, so the win32 build folder
# and its CTest files work there unchanged.
#
#   scripts/win32-vm.sh [OPTIONS] [--] COMMAND [ARG...]
#
# The first run builds the machine's image from Debian packages (about five minutes, as
# root or through sudo) and keeps it in the cache folder; later runs reuse it and rebuild it
# when its package list or start-up script changes. Each run boots the cached kernel with a
# throw-away overlay over the image, runs COMMAND with bash in the current folder (the
# checkout's root when the current folder lies outside it), streams its output (standard
# output and standard error together) to standard output and exits with COMMAND's exit
# status. A machine that does not finish within the time-out is stopped and the run fails.
#
# The command runs as root with HOME=/root, LANG=C.UTF-8, TMPDIR=/tmp (a memory file
# system) and WINEPREFIX=/root/.wine, a 32-bit wine prefix made when the image was built;
# `wine` runs 32-bit Windows programs, `xvfb-run -a` gives them a display, the locale
# ja_JP.UTF-8 exists, and cmake/ctest and i686-w64-mingw32-objdump are there.
#
# Options:
#   --timeout SECONDS  stop the machine after this long (default 2700; 0: never)
#   --env NAME=VALUE   set a variable for COMMAND (repeatable)
#   --cache DIR        the image cache (default $WIN32_VM_CACHE, else build/vm-cache)
#   --memory MIB       the machine's memory (default 3072)
#   --build-image      build the image if it is missing or stale, then stop
#   --rebuild-image    build the image afresh even if the cached one is current
#   --verbose          print the machine's console (kernel and start-up) as well
#
# Exit status: COMMAND's, or 124 when the time-out stopped the machine, 125 when the
# machine stopped without reporting one, 2 for bad usage.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
self="$root/scripts/$(basename "$0")"

die() {
  echo "win32-vm: $*" >&2
  exit 2
}

timeout_s=2700
memory=3072
cache=${WIN32_VM_CACHE:-$root/build/vm-cache}
envs=()
build_only=false
rebuild=false
verbose=false
while [ $# -gt 0 ]; do
  case $1 in
  --timeout)
    [[ ${2-} =~ ^[0-9]+$ ]] || die "--timeout wants a number of seconds"
    timeout_s=$2
    shift 2
    ;;
  --env)
    [[ ${2-} =~ ^[A-Za-z_][A-Za-z0-9_]*= ]] || die "--env wants NAME=VALUE"
    envs+=("$2")
    shift 2
    ;;
  --cache)
    [ -n "${2-}" ] || die "--cache wants a folder"
    cache=$2
    shift 2
    ;;
  --memory)
    [[ ${2-} =~ ^[0-9]+$ ]] || die "--memory wants a number of MiB"
    memory=$2
    shift 2
    ;;
  --build-image)
    build_only=true
    shift
    ;;
  --rebuild-image)
    rebuild=true
    shift
    ;;
  --verbose)
    verbose=true
    shift
    ;;
  --help | -h)
    sed -n '2,/^set -euo/p' "$self" | sed '$d; s/^# \{0,1\}//'
    exit 0
    ;;
  --)
    shift
    break
    ;;
  -*) die "unknown option $1 (see --help)" ;;
  *) break ;;
  esac
done
$build_only || [ $# -gt 0 ] || die "no command given (see --help)"
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)

# ---------------------------------------------------------------------------------------
# The image. Everything that decides what it holds is below and goes into its hash.

suite=bookworm
# The guest's packages come from the archive this machine's own apt configuration names
# (WIN32_VM_MIRROR: another).
if [ -n "${WIN32_VM_MIRROR:-}" ]; then
  mirror=$WIN32_VM_MIRROR
else
  mirror=$(bash "$root/scripts/debian-sources.sh" mirror) ||
    die "no Debian archive to build the machine from: set WIN32_VM_MIRROR to one"
fi
# The kernel, the tools the tests need, and wine for 32-bit programs.
packages_amd64="linux-image-amd64 kmod cmake xvfb xauth locales fonts-dejavu-core fonts-wine
  fonts-ipafont-gothic binutils-mingw-w64-i686 wine"
# wine32 and the X libraries its windows use (the rest of what it recommends is sound,
# printing, GL and media, which the tests do not touch).
packages_i386="wine32 libxrender1 libxcursor1 libxi6 libxrandr2 libxinerama1 libxcomposite1
  libxfixes3 libxxf86vm1"
locales_wanted="en_US.UTF-8 UTF-8
ja_JP.UTF-8 UTF-8"
# Modules the initial RAM disk needs to find the root file system; the rest load later.
initrd_modules="virtio_pci virtio_blk ext4"
recipe_revision=3

# PID 1 of the machine: mounts the host's folders, runs the command the host left in the
# control folder with its output on the "output" port, leaves the exit status there and
# powers the machine off.
read -r -d '' vm_init <<'EOF' || true
#!/bin/bash
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
mountpoint -q /proc || mount -t proc proc /proc
mountpoint -q /sys || mount -t sysfs sysfs /sys
mountpoint -q /dev || mount -t devtmpfs devtmpfs /dev
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /run
mount -t tmpfs tmpfs /tmp
modprobe -a 9pnet_virtio 9p virtio_console
opts=trans=virtio,version=9p2000.L,msize=262144
mkdir -p /run/control
mount -t 9p -o "$opts" control /run/control
# The share goes through the page cache: wine reads a program's sections with one pread
# each, which a direct 9p read of a large section can leave short (the rest stays zero).
# The host leaves the tree alone while the machine runs.
share=$(cat /run/control/share 2>/dev/null)
if [ -n "$share" ]; then
  mkdir -p "$share" && mount -t 9p -o "$opts,cache=loose" share "$share"
fi
out=/dev/console
for port in /sys/class/virtio-ports/*; do
  [ "$(cat "$port/name" 2>/dev/null)" = output ] && out=/dev/${port##*/}
done
hostname win32-vm
bash /run/control/command >"$out" 2>&1 </dev/null
echo $? >/run/control/status
sync
[ -n "$share" ] && umount "$share"
umount /run/control
mount -o remount,ro /
echo o >/proc/sysrq-trigger
sleep 60
EOF

# The wine prefix is prepared as the win64 suite's is (scripts/wine-prefix.sh).
recipe_hash=$(printf '%s\n' "$recipe_revision" "$suite" "$mirror" "$packages_amd64" \
  "$packages_i386" "$locales_wanted" "$initrd_modules" "$vm_init" "$(cat "$root/scripts/wine-prefix.sh")" |
  sha256sum | cut -c1-16)

image_current() {
  [ -f "$cache/image/id" ] && [ "$(cat "$cache/image/id")" = "$recipe_hash" ]
}

# Unmounts every file system mounted under a folder (the chroot's /proc, /sys, /dev).
unmount_under() {
  local m
  for m in $(awk -v d="$1/" 'index($2, d) == 1 { print $2 }' /proc/mounts | sort -r); do
    umount -l "$m" || true
  done
}

# Removes the build's work folder; never while anything is still mounted in it (mounts
# in the chroot are the host's file systems).
build_work=
remove_build_work() {
  [ -n "$build_work" ] || return 0
  unmount_under "$build_work"
  if awk -v d="$build_work/" 'index($2, d) == 1 { found = 1 } END { exit !found }' /proc/mounts; then
    echo "win32-vm: $build_work still has mounts; left in place" >&2
  else
    rm -rf "$build_work"
  fi
  build_work=
}

# Builds the image into $cache/image (as root on the host: debootstrap, chroot, mkfs).
build_image() {
  local work="$cache/build.$$" rootfs
  rootfs="$work/root"
  rm -rf "$work"
  mkdir -p "$work"
  build_work=$work
  trap 'remove_build_work; cleanup' EXIT
  local t0=$SECONDS
  echo "win32-vm: building the image ($suite, amd64 with i386) in $cache"
  debootstrap --variant=minbase --arch=amd64 "$suite" "$rootfs" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    {
      tail -n 30 "$work/debootstrap.log" >&2
      echo "win32-vm: debootstrap failed" >&2
      return 1
    }
  echo "win32-vm: base system: $((SECONDS - t0)) s"

  mount -t proc proc "$rootfs/proc"
  mount -t sysfs sysfs "$rootfs/sys"
  printf '#!/bin/sh\nexit 101\n' >"$rootfs/usr/sbin/policy-rc.d"
  chmod +x "$rootfs/usr/sbin/policy-rc.d"
  printf 'deb %s %s main\n' "$mirror" "$suite" >"$rootfs/etc/apt/sources.list"
  mkdir -p "$rootfs/etc/initramfs-tools/conf.d"
  echo MODULES=list >"$rootfs/etc/initramfs-tools/conf.d/vm"
  printf '%s\n' $initrd_modules >>"$rootfs/etc/initramfs-tools/modules"
  printf '%s\n' "$locales_wanted" >"$rootfs/etc/locale.gen"
  local t1=$SECONDS packages
  # shellcheck disable=SC2086 # word lists
  packages="$(echo $packages_amd64) $(printf '%s:i386 ' $packages_i386)"
  chroot "$rootfs" /bin/sh -c "set -e
    export DEBIAN_FRONTEND=noninteractive LC_ALL=C
    dpkg --add-architecture i386
    apt-get update -q
    apt-get install -y -q --no-install-recommends $packages
    apt-get clean" >"$work/install.log" 2>&1 ||
    {
      tail -n 30 "$work/install.log" >&2
      echo "win32-vm: installing the packages into the image failed" >&2
      return 1
    }
  echo "win32-vm: packages: $((SECONDS - t1)) s"
  unmount_under "$rootfs"

  mkdir -p "$work/image"
  cp "$rootfs"/boot/vmlinuz-* "$work/image/vmlinuz"
  cp "$rootfs"/boot/initrd.img-* "$work/image/initrd.img"
  rm -rf "$rootfs"/boot/* "$rootfs"/var/lib/apt/lists/* "$rootfs"/usr/share/doc/* \
    "$rootfs"/usr/share/man/* "$rootfs/usr/sbin/policy-rc.d"
  printf '%s\n' "$vm_init" >"$rootfs/sbin/vm-init"
  echo win32-vm >"$rootfs/etc/hostname"
  printf '127.0.0.1 localhost\n127.0.1.1 win32-vm\n' >"$rootfs/etc/hosts"
  chmod 755 "$rootfs/sbin/vm-init"
  local t2=$SECONDS size_mib
  size_mib=$(($(du -sm "$rootfs" | cut -f1) * 5 / 4 + 512))
  mkfs.ext4 -q -F -L win32-vm -d "$rootfs" "$work/image/root.img" "${size_mib}M" >/dev/null
  rm -rf "$rootfs"
  echo "win32-vm: file system image (${size_mib} MiB): $((SECONDS - t2)) s"

  # The wine prefix, made once in the machine itself (wine32 cannot run here) and kept in
  # the image, prepared as the win64 suite's is. The Mono and Gecko add-ons are left out:
  # nothing here needs them. A program that crashes has its backtrace printed and ends,
  # instead of waiting on a crash dialog.
  local t3=$SECONDS
  if ! boot "$work/image" false 900 "$root" \
    --env WINEDLLOVERRIDES='mscoree,mshtml=' --env WINEDEBUG=-all -- \
    bash -c 'wineboot -i && wineserver -w && bash "$0/scripts/wine-prefix.sh" "$WINEPREFIX" /usr/bin/wine &&
      wine reg add "HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug" /v Auto /d 1 /f &&
      wineserver -w && test -f "$WINEPREFIX/system.reg"' "$root" \
    >"$work/prefix.log" 2>&1; then
    tail -n 30 "$work/prefix.log" >&2
    echo "win32-vm: making the wine prefix in the machine failed" >&2
    return 1
  fi
  echo "win32-vm: wine prefix: $((SECONDS - t3)) s"

  echo "$recipe_hash" >"$work/image/id"
  chmod 644 "$work/image"/*
  rm -rf "$cache/image"
  mv "$work/image" "$cache/image"
  if [ -n "${SUDO_UID-}" ]; then chown -R "$SUDO_UID:${SUDO_GID:-$SUDO_UID}" "$cache"; fi
  remove_build_work
  trap cleanup EXIT
  echo "win32-vm: image built in $((SECONDS - t0)) s"
}

# ---------------------------------------------------------------------------------------
# Booting: boot IMAGE_DIR SNAPSHOT TIMEOUT SHARE [--env NAME=VALUE]... -- COMMAND...

boot() {
  local image=$1 snapshot=$2 limit=$3 share=$4
  shift 4
  local -a env_list=()
  while [ "$1" != -- ]; do
    env_list+=("$2")
    shift 2
  done
  shift

  local control
  control=$(mktemp -d "${TMPDIR:-/tmp}/win32-vm.XXXXXX")
  controls+=("$control")
  printf '%s\n' "$share" >"$control/share"
  local cwd=/
  if [ -n "$share" ]; then
    cwd=$share
    case $PWD/ in "$share"/*) cwd=$PWD ;; esac
  fi
  {
    echo 'export HOME=/root LANG=C.UTF-8 TERM=dumb TMPDIR=/tmp WINEPREFIX=/root/.wine'
    local e
    for e in ${env_list[@]+"${env_list[@]}"}; do
      printf 'export %s=%q\n' "${e%%=*}" "${e#*=}"
    done
    printf 'cd %q || exit 125\n' "$cwd"
    printf 'exec'
    printf ' %q' "$@"
    echo
  } >"$control/command"

  local accel=tcg
  if [ -w /dev/kvm ]; then accel=kvm; fi
  local -a qemu=(qemu-system-x86_64 -accel "$accel"
    # wine's 32-bit programs crash under TCG when the CPU offers SMAP (as -cpu max does).
    -cpu "${WIN32_VM_CPU:-qemu64}" -smp 2 -m "$memory"
    -display none -monitor none -nic none -no-reboot
    -serial "file:$control/console.log"
    -kernel "$image/vmlinuz" -initrd "$image/initrd.img"
    -append "console=ttyS0 root=/dev/vda rw rootfstype=ext4 fsck.mode=skip quiet loglevel=4 panic=1 mitigations=off init=/sbin/vm-init"
    -drive "file=$image/root.img,format=raw,if=virtio,snapshot=$($snapshot && echo on || echo off)"
    -fsdev "local,id=control,path=$control,security_model=none"
    -device virtio-9p-pci,fsdev=control,mount_tag=control
    # The command's output: a port of its own, read through a pipe (a stdio port would
    # stall the guest's writes once standard input ends).
    -device virtio-serial-pci
    -chardev "file,id=output,path=$control/output"
    -device virtserialport,chardev=output,name=output)
  if [ -n "$share" ]; then
    qemu+=(-fsdev "local,id=share,path=$share,security_model=none"
      -device virtio-9p-pci,fsdev=share,mount_tag=share)
  fi

  local rc=0 status reader
  mkfifo "$control/output"
  cat "$control/output" &
  reader=$!
  if [ "$limit" -gt 0 ]; then
    timeout -k 10 "$limit" "${qemu[@]}" </dev/null || rc=$?
  else
    "${qemu[@]}" </dev/null || rc=$?
  fi
  # qemu may have stopped before opening the pipe: let the reader go.
  : <>"$control/output"
  wait "$reader" || true
  status=$(cat "$control/status" 2>/dev/null || true)
  if $verbose || ! [[ $status =~ ^[0-9]+$ ]]; then
    echo "win32-vm: the machine's console:" >&2
    tail -n 40 "$control/console.log" >&2 || true
  fi
  rm -rf "$control"
  if [ "$rc" -eq 124 ]; then
    echo "win32-vm: the machine did not finish within $limit s and was stopped" >&2
    return 124
  fi
  if ! [[ $status =~ ^[0-9]+$ ]]; then
    echo "win32-vm: the machine stopped without reporting the command's exit status (qemu: $rc)" >&2
    return 125
  fi
  return "$status"
}

# ---------------------------------------------------------------------------------------

# Control folders of machines still running when this script is stopped.
controls=()
cleanup() {
  if [ ${#controls[@]} -gt 0 ]; then rm -rf "${controls[@]}"; fi
}
trap cleanup EXIT

for tool in qemu-system-x86_64 debootstrap mkfs.ext4; do
  command -v "$tool" >/dev/null || die "$tool is missing (bash scripts/install-deps.sh installs it)"
done

if $rebuild || ! image_current; then
  if [ "$(id -u)" -ne 0 ]; then
    # Only building the image needs root (debootstrap, chroot).
    sudo WIN32_VM_MIRROR="$mirror" bash "$self" --cache "$cache" \
      --build-image $($rebuild && echo --rebuild-image)
  else
    exec 9>"$cache/lock"
    flock 9
    if $rebuild || ! image_current; then build_image; fi
    exec 9>&-
  fi
  image_current || die "the image in $cache was not built"
  rebuild=false
fi
$build_only && exit 0

env_args=()
for e in ${envs[@]+"${envs[@]}"}; do env_args+=(--env "$e"); done
t0=$SECONDS
status=0
boot "$cache/image" true "$timeout_s" "$root" ${env_args[@]+"${env_args[@]}"} -- "$@" || status=$?
echo "win32-vm: the machine ran for $((SECONDS - t0)) s; exit status $status" >&2
exit "$status"
