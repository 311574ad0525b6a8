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
# Reader loads only modules enabled for it. A vendor licensed for Reader integration
# configures its builds with -DMIRVANE_ENABLED_FOR_READER=ON and signs each module with
# its Reader key, using the signing tools of the viewer's SDK, after the module is built
# and before the ZIP and the MSI are made from it (between the KXTRIVOPlayer target and the
# cpack and msi_package steps below). Neither the key nor the tools are here: these
# artefacts are unsigned, and their modules decline to start in Reader.
for build in win32 win64; do
  echo "== $build"
  cmake --preset "$build" >/dev/null
  cmake --build "build/$build" -j "$jobs" --target KXTRIVOPlayer
  # (A signing vendor signs build/$build/bin/KXTRIVOPlayer.api here.)
  cmake --build "build/$build" -j "$jobs" --target msi_package
  (cd "build/$build" && cpack >/dev/null)
  cp "build/$build/KXTRIVOPlayer-$version-$build.zip" "build/$build/KXTRIVOPlayer-$version-$build.msi" \
    "$out/"
done
(cd "$out" && sha256sum -- *.zip *.msi >SHA256SUMS)
echo "== release artefacts in $out"
ls -l "$out"
cat "$out/SHA256SUMS"
