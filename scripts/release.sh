#!/usr/bin/env bash
# Makes the release artefacts in build/artifacts: per bitness the ZIP (the module and
# INSTALL.txt) and the Windows Installer package, both named with the product's version
# and the bitness, and SHA256SUMS over them. Needs scripts/install-deps.sh to have run once.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
version=$(sed -n 's/^project(KXTRIVOPlayer VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
out=build/artifacts
rm -rf "$out"
mkdir -p "$out"
for build in win32 win64; do
  echo "== $build"
  cmake --preset "$build" >/dev/null
  cmake --build "build/$build" -j "$jobs" --target KXTRIVOPlayer msi_package
  (cd "build/$build" && cpack >/dev/null)
  cp "build/$build/KXTRIVOPlayer-$version-$build.zip" "build/$build/KXTRIVOPlayer-$version-$build.msi" \
    "$out/"
done
(cd "$out" && sha256sum -- *.zip *.msi >SHA256SUMS)
echo "== release artefacts in $out"
ls -l "$out"
cat "$out/SHA256SUMS"
