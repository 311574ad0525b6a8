#!/usr/bin/env bash
# Installs everything the builds, the tests and the demo need on a Debian machine.
# Run as root (or through sudo). Safe to run again.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  exec sudo "$0" "$@"
fi

export DEBIAN_FRONTEND=noninteractive

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
if ! $runs_32bit; then
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
# (scripts/mingw-qpdf.sh): their deb-src entries, and dpkg-dev to unpack them.
. /etc/os-release
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src ' /etc/apt/sources.list; then
  for suite in "$VERSION_CODENAME" "$VERSION_CODENAME-updates"; do
    echo "deb-src http://deb.debian.org/debian $suite main"
  done >/etc/apt/sources.list.d/mirvane-debian-src.list
  echo "deb-src http://deb.debian.org/debian-security $VERSION_CODENAME-security main" \
    >>/etc/apt/sources.list.d/mirvane-debian-src.list
  for attempt in 1 2 3; do
    if apt-get update -q; then break; fi
    [ "$attempt" -lt 3 ] && sleep 15
  done
fi
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
here=$(cd "$(dirname "$0")" && pwd)
if [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
  sudo -u "$SUDO_USER" bash "$here/mingw-qpdf.sh"
else
  bash "$here/mingw-qpdf.sh"
fi
