#!/usr/bin/env bash
# Builds the Linux configuration, runs the reference host's start-up of the plug-in, lets
# the plug-in's creation sequence place a player annotation into a new document (checked
# with qpdf, rendered with poppler), then tours a sample document with player annotations
# in the reference host: clicks, view changes, deletion, undo and redo, About, save and
# snapshots. Last, the Windows build's refhost.exe runs examples/sessions/windows.refhost
# under wine64 and Xvfb: real windows, the real file dialog, snapshots of the real windows,
# then tours the same sample document (build/demo/win64-tour); and the 32-bit build's
# refhost.exe plays both again under wine32 (in a virtual machine where this kernel runs no
# 32-bit programs), leaving its snapshots in build/demo/win32 and build/demo/win32/tour.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset linux >/dev/null
cmake --build build/linux -j "$(nproc 2>/dev/null || echo 2)"

echo "== start-up of the plug-in in the reference host"
./build/linux/bin/refhost "$@"

echo "== a player annotation with examples/scenes/valve.geom"
mkdir -p build/demo
./build/linux/bin/author-player-annot --scene "$PWD/examples/scenes/valve.geom" \
  --rect 72,432,360,720 --out build/demo/player.pdf
qpdf --check build/demo/player.pdf
pdftoppm -r 72 -png -singlefile build/demo/player.pdf build/demo/player
echo "rendered page: build/demo/player.png"

echo "== the tour: examples/sessions/tour.refhost on a sample document"
bash examples/make-sample-pdf.sh build/demo/sample-players.pdf build/linux/bin
rm -rf build/demo/scenes build/demo/tour-temp build/demo/tour-*.png build/demo/tour.pdf
cp -r examples/scenes build/demo/scenes
(cd build/demo && ../linux/bin/refhost --temp "$PWD/tour-temp" ../../examples/sessions/tour.refhost)
qpdf --check build/demo/tour.pdf >/dev/null
echo
echo "The tour saved build/demo/tour.pdf (qpdf --check: fine) and took these snapshots:"
ls build/demo/tour-*.png
echo "Scene files the plug-in wrote for the players: build/demo/tour-temp/"

echo "== the Windows build: examples/sessions/windows.refhost in refhost.exe under wine64"
if [ ! -x /usr/lib/wine/wine64 ] || ! command -v xvfb-run >/dev/null; then
  echo "wine64 or xvfb-run is missing (scripts/install-deps.sh installs them): not run"
  exit 0
fi
cmake --preset win64 >/dev/null
cmake --build build/win64 -j "$(nproc 2>/dev/null || echo 2)" --target refhost
rm -rf build/demo/windows-temp build/demo/windows-*.png
bash scripts/wine-prefix.sh "$PWD/build/wineprefix-demo"
# The session's output goes through a file: wine's own background processes would keep a
# pipe open after the session ended. Its messages (wine's and refhost's own) go to a log,
# named when the session fails.
status=0
(cd build/demo && WINEDEBUG=-all WINEPREFIX="$PWD/../wineprefix-demo" xvfb-run -a \
  /usr/lib/wine/wine64 ../win64/bin/refhost.exe --temp windows-temp \
  ../../examples/sessions/windows.refhost >windows-session.txt 2>windows-session.log) ||
  status=$?
cat build/demo/windows-session.txt
if [ "$status" -ne 0 ]; then
  echo "the Windows session failed (exit status $status); its messages: build/demo/windows-session.log" >&2
  exit "$status"
fi
echo
echo "The Windows session took these snapshots of its page-view window:"
ls build/demo/windows-*.png

# Checks a tour's saved document with qpdf and names its snapshots: FOLDER LABEL.
tour_done() {
  qpdf --check "$1/tour.pdf" | tail -n 1
  echo "$2 saved $1/tour.pdf (checked above by qpdf) and took these snapshots:"
  ls "$1"/tour-*.png
}

echo "== the Windows build: the sample document's tour (examples/sessions/tour.refhost) in refhost.exe"
rm -rf build/demo/win64-tour
mkdir -p build/demo/win64-tour
cp build/demo/sample-players.pdf build/demo/win64-tour/
cp -r examples/scenes build/demo/win64-tour/scenes
status=0
(cd build/demo/win64-tour && WINEDEBUG=-all WINEPREFIX="$PWD/../../wineprefix-demo" xvfb-run -a \
  /usr/lib/wine/wine64 ../../win64/bin/refhost.exe --temp tour-temp \
  ../../../examples/sessions/tour.refhost >tour-session.txt 2>tour-session.log) || status=$?
cat build/demo/win64-tour/tour-session.txt
if [ "$status" -ne 0 ]; then
  echo "the Windows tour failed (exit status $status); its messages: build/demo/win64-tour/tour-session.log" >&2
  exit "$status"
fi
tour_done build/demo/win64-tour "The 64-bit build's tour"

echo "== the 32-bit build (the product): the same session in its refhost.exe under wine32"
cmake --preset win32 >/dev/null
cmake --build build/win32 -j "$(nproc 2>/dev/null || echo 2)" --target refhost
rm -rf build/demo/win32
mkdir -p build/demo/win32
cp -r examples/scenes build/demo/win32/scenes
mkdir -p build/demo/win32/tour
cp build/demo/sample-players.pdf build/demo/win32/tour/
cp -r examples/scenes build/demo/win32/tour/scenes
# The creation session, then the sample document's tour, in one boot of the machine.
session='cd build/demo/win32 && xvfb-run -a wine ../../win32/bin/refhost.exe --temp windows-temp \
  ../../../examples/sessions/windows.refhost >windows-session.txt 2>windows-session.log &&
  cd tour && xvfb-run -a wine ../../../win32/bin/refhost.exe --temp tour-temp \
  ../../../../examples/sessions/tour.refhost >tour-session.txt 2>tour-session.log'
status=0
# WIN32_FORCE_VM=1 takes the guest's road on a kernel that could run them natively too.
if [ "${WIN32_FORCE_VM:-0}" != 1 ] && /lib/ld-linux.so.2 --help >/dev/null 2>&1; then
  bash scripts/wine-prefix.sh "$PWD/build/wineprefix-demo32" /usr/bin/wine
  WINEDEBUG=-all WINEPREFIX="$PWD/build/wineprefix-demo32" bash -c "$session" || status=$?
elif command -v qemu-system-x86_64 >/dev/null && command -v debootstrap >/dev/null; then
  # This kernel runs no 32-bit programs: the session plays in the virtual machine that does
  # (its image is built once, about seven minutes, and kept for the tests and later runs).
  echo "(in a virtual machine: this kernel runs no 32-bit programs)"
  if ! bash scripts/win32-vm.sh --build-image; then
    echo "the virtual machine's image could not be built (see above): not run"
    exit 0
  fi
  bash scripts/win32-vm.sh --timeout 900 --env WINEDEBUG=-all -- bash -c "$session" || status=$?
else
  echo "wine32 cannot run here and qemu or debootstrap is missing (scripts/install-deps.sh" \
    "installs them): not run"
  exit 0
fi
cat build/demo/win32/windows-session.txt
if [ "$status" -ne 0 ]; then
  echo "the 32-bit Windows sessions failed (exit status $status); their messages:" \
    "build/demo/win32/windows-session.log, build/demo/win32/tour/tour-session.log" >&2
  exit "$status"
fi
echo
echo "The 32-bit session took these snapshots of its page-view window:"
ls build/demo/win32/windows-*.png
echo "== the 32-bit build: the sample document's tour"
cat build/demo/win32/tour/tour-session.txt
tour_done build/demo/win32/tour "The 32-bit build's tour"
