#!/usr/bin/env bash
# Builds a sample PDF with player annotations by chaining author-player-annot calls:
# six Letter pages; page 1 plain; page 3 with two players (scenes valve.geom and
# rotor.mvn side by side); page 5 with one more player of valve.geom, so that two
# annotations embed scenes of the same file name.
#
# usage: make-sample-pdf.sh OUT.pdf [BUILD_BIN_DIR]   (default: build/linux/bin)
set -euo pipefail
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 OUT.pdf [BUILD_BIN_DIR]" >&2
  exit 2
fi
here="$(cd "$(dirname "$0")" && pwd)"
out="$1"
bin="${2:-$here/../build/linux/bin}"
author="$bin/author-player-annot"
scenes="$here/scenes"
[ -x "$author" ] || { echo "$0: no $author; build the linux preset first" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$author" --pages 6 --page 3 --rect 72,432,300,720 --scene "$scenes/valve.geom" \
  --out "$work/step1.pdf"
"$author" --in "$work/step1.pdf" --page 3 --rect 312,432,540,720 --scene "$scenes/rotor.mvn" \
  --out "$work/step2.pdf"
"$author" --in "$work/step2.pdf" --page 5 --rect 144,216,468,576 --scene "$scenes/valve.geom" \
  --out "$work/step3.pdf"
mv "$work/step3.pdf" "$out"
echo "sample: $out (6 pages; players: 2 on page 3, 1 on page 5)"
