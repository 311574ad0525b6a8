#!/usr/bin/env bash
# Builds the Linux configuration, runs the reference host's start-up of the plug-in, then
# lets the plug-in's creation sequence place a player annotation with a sample scene into
# a new document, checks the saved PDF with qpdf and renders it with poppler; last, a
# viewer session clicks the players of a sample document in the reference host.
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

echo "== a viewer session on a sample document: examples/sessions/tour-first-half.refhost"
bash examples/make-sample-pdf.sh build/demo/sample-players.pdf build/linux/bin >/dev/null
rm -rf build/demo/tour-temp
(cd build/demo && ../linux/bin/refhost --temp "$PWD/tour-temp" ../../examples/sessions/tour-first-half.refhost)
