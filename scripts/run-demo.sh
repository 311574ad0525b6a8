#!/usr/bin/env bash
# Builds the Linux configuration, runs the reference host's start-up of the plug-in, lets
# the plug-in's creation sequence place a player annotation into a new document (checked
# with qpdf, rendered with poppler), then tours a sample document with player annotations
# in the reference host: clicks, view changes, deletion, undo and redo, About, save and
# snapshots.
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
