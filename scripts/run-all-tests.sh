#!/usr/bin/env bash
# Builds and tests every configuration: Linux, Linux with sanitizers, 32-bit and 64-bit
# Windows (their tests run under wine, the 32-bit ones inside a virtual machine where this
# kernel runs no 32-bit programs; each Windows build is also packed as a ZIP archive).
# Needs scripts/install-deps.sh to have run once.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)

echo "== format check"
bash scripts/check-format.sh

# Tests counted over every ctest run, for the closing line.
passed=0
count_tests() {
  local n
  n=$(sed -n -e 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' \
    -e 's/^wine-suite: all \([0-9]*\) tests passed.*/\1/p' "$1" | tail -n 1)
  passed=$((passed + ${n:-0}))
}
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# Packs a Windows build (cpack: the module and its install note) and lists the archive.
pack() {
  (cd "build/$1" && cpack >/dev/null)
  local archive
  archive=$(ls "build/$1"/KXTRIVOPlayer-*-"$1".zip)
  echo "$1: $archive holds:"
  cmake -E tar tf "$archive" | sed 's/^/  /'
}

for preset in linux linux-asan; do
  echo "== $preset: configure, build, test"
  cmake --preset "$preset" >/dev/null
  cmake --build "build/$preset" -j "$jobs"
  (cd "build/$preset" && ctest -j "$jobs" --output-on-failure) | tee "$log"
  count_tests "$log"
done

echo "== win32: configure, build, pack"
export WINEDEBUG=-all
cmake --preset win32 >/dev/null
cmake --build build/win32 -j "$jobs"
pack win32
# The installer cases' packages (wixl runs here, not where wine32 does).
bash scripts/installer-tests.sh prepare win32
# wine32 runs 32-bit Windows programs only where the kernel runs 32-bit programs at all.
# Elsewhere the suite runs inside a virtual machine that does (scripts/win32-vm.sh).
# WIN32_FORCE_VM=1 takes the guest's road on a kernel that could run them natively too.
if [ "${WIN32_FORCE_VM:-0}" != 1 ] && /lib/ld-linux.so.2 --help >/dev/null 2>&1; then
  echo "== win32: test under wine32"
  export WINEPREFIX="$PWD/build/wineprefix32"
  bash scripts/wine-prefix.sh "$WINEPREFIX" /usr/bin/wine
  bash scripts/wine-suite.sh win32 -j "$jobs" --output-on-failure | tee "$log"
  count_tests "$log"
  bash scripts/installer-tests.sh run win32
  unset WINEPREFIX
else
  # Here the suite runs inside a virtual machine that runs 32-bit programs (wine32 in a
  # Debian guest under qemu): the image is built once (about seven minutes) and kept in
  # build/vm-cache; the suite takes about twelve minutes in it.
  vm_start=$SECONDS
  vm_ready=false
  if ! command -v qemu-system-x86_64 >/dev/null || ! command -v debootstrap >/dev/null; then
    vm_reason="qemu-system-x86_64 or debootstrap is missing (bash scripts/install-deps.sh installs them)"
  else
    echo "== win32: test under wine32 in a virtual machine (this kernel runs no 32-bit programs)"
    echo "win32: building (or reusing) the machine's image"
    # Building it downloads Debian packages: a mirror in the middle of a sync gets a second try.
    for attempt in 1 2; do
      if bash scripts/win32-vm.sh --build-image; then
        vm_ready=true
        break
      fi
    done
    vm_reason="the machine's image could not be built (see above)"
  fi
  if $vm_ready; then
    echo "win32: image ready after $((SECONDS - vm_start)) s; booting the machine and running the suite in it"
    bash scripts/win32-vm.sh --env INSTALLER_TEST_PREFIX=/tmp/installer-prefix -- bash -c \
      'bash scripts/wine-suite.sh win32 -j 2 --output-on-failure && bash scripts/installer-tests.sh run win32' |
      tee "$log"
    count_tests "$log"
    echo "win32: the virtual machine's part took $((SECONDS - vm_start)) s"
  else
    echo "win32: NOT RUN under wine: this kernel runs no 32-bit programs, and $vm_reason;" \
      "only the checks of the built module run"
    cmake -DTOOL="$(command -v i686-w64-mingw32-objdump)" -DKIND=pe -DMACHINE=pei-i386 \
      -DMODULE=build/win32/bin/KXTRIVOPlayer.api -P tests/startup/CheckExports.cmake
    echo "win32: the module exports only PlugInMain and imports the four player functions by name"
  fi
fi

echo "== win64: configure, build, pack, test under wine64"
cmake --preset win64 >/dev/null
cmake --build build/win64 -j "$jobs"
pack win64
bash scripts/wine-prefix.sh "$PWD/build/wineprefix64"
WINEPREFIX="$PWD/build/wineprefix64" bash scripts/wine-suite.sh win64 -j "$jobs" --output-on-failure |
  tee "$log"
count_tests "$log"
echo "== win64: the installer under wine64"
bash scripts/installer-tests.sh prepare win64
WINEPREFIX="$PWD/build/wineprefix64" bash scripts/installer-tests.sh run win64

echo "== fuzz: each target for 45 seconds (bash scripts/run-fuzz.sh SECONDS for longer runs)"
bash scripts/run-fuzz.sh 45

echo "tests: $passed passed, 0 failed"
