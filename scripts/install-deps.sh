#!/usr/bin/env bash
# Installs everything the builds, the tests and the demo need on a Debian machine.
# Run as root (or through sudo). Safe to run again.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  exec sudo WIN32_FORCE_VM="${WIN32_FORCE_VM:-0}" "$0" "$@"
fi

export DEBIAN_FRONTEND=noninteractive
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
# Files under build/ belong to the user who asked for the installation.
as_user() {
  if [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
    sudo -u "$SUDO_USER" "$@"
  else
    "$@"
  fi
}

# Earlier versions of this script added deb-src entries to the machine's own apt
# configuration; on machines whose entries carry Signed-By, apt then refused every list.
# Removing that file mends such a machine. Nothing else under /etc/apt is touched.
old_list=/etc/apt/sources.list.d/mirvane-debian-src.list
if [ -e "$old_list" ]; then
  rm -f "$old_list"
  echo "install-deps: removed $old_list, which an earlier version of this script left"
fi

# The source packages qpdf is built from come through an apt configuration of the
# project's own (build/apt-source), derived from the machine's Debian entries; a machine
# without one is told so before anything is installed.
apt_source="$root/build/apt-source"
as_user mkdir -p "$root/build"
bash "$here/debian-sources.sh" derive "$apt_source"

# wine32 runs the 32-bit Windows build's tests, only where the kernel runs 32-bit programs;
# it needs the i386 architecture, which nothing else here does.
runs_32bit=false
if /lib/ld-linux.so.2 --help >/dev/null 2>&1 || grep -q -w -E 'CONFIG_IA32_EMULATION=y' \
  "/boot/config-$(uname -r)" 2>/dev/null; then
  runs_32bit=true
  dpkg --add-architecture i386
fi

# A mirror in the middle of a sync answers with index files of the wrong size: try again,
# then go on with the lists that did arrive (a missing package still fails the install).
for attempt in 1 2 3; do
  if apt-get update -q; then break; fi
  echo "install-deps: apt-get update failed (attempt $attempt)" >&2
  [ "$attempt" -lt 3 ] && sleep 15
done

apt-get install -y -q --no-install-recommends \
  build-essential cmake make git python3 clang-format \
  libgtest-dev googletest libbenchmark-dev \
  libqpdf-dev qpdf poppler-utils zlib1g-dev \
  g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-i686-dev \
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev libz-mingw-w64-dev \
  xvfb xauth locales fonts-dejavu-core fonts-ipafont-gothic \
  wixl msitools
# Where the kernel runs no 32-bit programs, the 32-bit Windows build's tests run in a small
# virtual machine that does (scripts/win32-vm.sh): qemu, and debootstrap to build its image.
# WIN32_FORCE_VM=1 asks for that road on a kernel that could run them natively.
if ! $runs_32bit || [ "${WIN32_FORCE_VM:-0}" = 1 ]; then
  apt-get install -y -q --no-install-recommends qemu-system-x86 debootstrap e2fsprogs
fi
# The fuzz targets: clang with libFuzzer and the sanitizer run-time libraries.
apt-get install -y -q --no-install-recommends clang libclang-rt-14-dev
# wine64 runs the 64-bit Windows build's tests (with what it recommends: fonts and the
# libraries its windows and dialogs need).
apt-get install -y -q wine64
if $runs_32bit; then
  apt-get install -y -q wine wine32
fi

# qpdf for the Windows builds is built here from Debian's source packages of this release
# (scripts/mingw-qpdf.sh): the lists of the project's own source configuration, and dpkg-dev
# to unpack them.
for attempt in 1 2 3; do
  if bash "$here/debian-sources.sh" apt "$apt_source" update -q; then break; fi
  echo "install-deps: apt-get update of the source lists failed (attempt $attempt)" >&2
  if [ "$attempt" -eq 3 ]; then exit 1; fi
  sleep 15
done
[ -z "${SUDO_USER:-}" ] || [ "$SUDO_USER" = root ] || chown -R "$SUDO_USER" "$apt_source"
apt-get install -y -q --no-install-recommends dpkg-dev libjpeg62-turbo-dev

# The Windows suite runs the multibyte cases under the Japanese code page too: wine maps
# file names through the glibc locale, which must exist (and draws Japanese names in the
# player windows with a Japanese font, fonts-ipafont-gothic above).
if ! locale -a 2>/dev/null | grep -q -i '^ja_JP\.utf-\?8$'; then
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen
fi

# qpdf for both Windows targets, built once into build/mingw-qpdf (reused while its recipe
# stays the same), as the user who asked for the installation.
as_user bash "$here/mingw-qpdf.sh"
