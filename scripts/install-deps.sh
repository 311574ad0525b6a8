#!/usr/bin/env bash
# Installs everything the builds, the tests and the demo need on a Debian machine.
# Run as root (or through sudo). Safe to run again.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  exec sudo "$0" "$@"
fi

export DEBIAN_FRONTEND=noninteractive
# wine32 runs the 32-bit Windows build's tests; it needs the i386 architecture.
dpkg --add-architecture i386
apt-get update -q
apt-get install -y -q --no-install-recommends \
  build-essential cmake make git python3 clang-format \
  libgtest-dev googletest libbenchmark-dev \
  libqpdf-dev qpdf poppler-utils zlib1g-dev \
  g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-i686-dev xvfb xauth
# The fuzz targets: clang with libFuzzer and the sanitizer run-time libraries.
apt-get install -y -q --no-install-recommends clang libclang-rt-14-dev
# wine with what it recommends: its 32-bit loader needs more than its hard dependencies.
apt-get install -y -q wine wine32
