#!/usr/bin/env bash
# Builds qpdf for the Windows builds: static libraries (libqpdf.a, and libjpeg.a from
# libjpeg-turbo, which Debian does not ship for mingw) and the qpdf.exe program that the
# Windows tests check saved files with, from Debian's own source packages at the versions
# of the Linux build's libqpdf-dev and libjpeg62-turbo-dev. zlib is Debian's
# libz-mingw-w64-dev; the crypto is qpdf's native one, which needs no further library.
#
#   bash scripts/mingw-qpdf.sh [i686|x86_64]...   (both when none is named)
#
# Each result is kept in build/mingw-qpdf/ARCH (include/, lib/, bin/qpdf.exe) with the
# recipe it was built from; a later run reuses it while the recipe (this script, the
# toolchain file and the versions) is the same, and builds it again when it changed.
# The sources come through the project's own apt configuration for source packages,
# build/apt-source (MINGW_QPDF_APT: another), which scripts/install-deps.sh derives from the
# machine's Debian entries and whose lists it updates (scripts/debian-sources.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cache=${MINGW_QPDF_CACHE:-$root/build/mingw-qpdf}
apt_source=${MINGW_QPDF_APT:-$root/build/apt-source}
jobs=$(nproc 2>/dev/null || echo 2)

version_of() {
  dpkg-query -W -f '${Version}' "$1" 2>/dev/null || true
}
qpdf_version=$(version_of libqpdf-dev)
jpeg_version=$(version_of libjpeg62-turbo-dev)
[ -n "$jpeg_version" ] || jpeg_version=$(version_of libjpeg62-turbo)
if [ -z "$qpdf_version" ] || [ -z "$jpeg_version" ]; then
  echo "mingw-qpdf: libqpdf-dev and libjpeg62-turbo must be installed: their versions are the ones" \
    "built here (bash scripts/install-deps.sh)" >&2
  exit 1
fi

# The sources, once for both targets: Debian's packages with Debian's patches applied.
fetch() {
  local package=$1 version=$2 folder=$3
  mkdir -p "$cache/src"
  if [ "$(cat "$cache/src/$package.fetched" 2>/dev/null)" != "$version" ]; then
    rm -rf "$cache/src/$folder"-* "$cache/src/${package}_"*
    echo "mingw-qpdf: fetching the source of $package $version" >&2
    for attempt in 1 2 3; do
      if (cd "$cache/src" && bash "$root/scripts/debian-sources.sh" apt "$apt_source" source -q \
        "$package=$version" >"$cache/src/$package.log" 2>&1); then
        break
      fi
      if [ "$attempt" -eq 3 ]; then
        echo "mingw-qpdf: apt-get source $package=$version failed (it needs the source lists in" \
          "$apt_source and dpkg-dev, which scripts/install-deps.sh sets up; see $cache/src/$package.log)" >&2
        exit 1
      fi
      sleep 10
    done
    echo "$version" >"$cache/src/$package.fetched"
  fi
  local dir
  dir=$(find "$cache/src" -mindepth 1 -maxdepth 1 -type d -name "$folder-*" | head -n 1)
  [ -n "$dir" ] || { echo "mingw-qpdf: no source folder for $package in $cache/src" >&2; exit 1; }
  echo "$dir"
}

build() {
  local arch=$1 toolchain="$root/cmake/mingw-$1.cmake" prefix="$cache/$1" recipe
  recipe=$(cat "$0" "$toolchain" | sha256sum | cut -c1-16)-qpdf-$qpdf_version-jpeg-$jpeg_version
  if [ -f "$prefix/recipe" ] && [ "$(cat "$prefix/recipe")" = "$recipe" ] &&
    [ -f "$prefix/lib/libqpdf.a" ] && [ -f "$prefix/bin/qpdf.exe" ]; then
    echo "mingw-qpdf: $arch: reusing $prefix (qpdf $qpdf_version)"
    return
  fi
  local jpeg_src qpdf_src work="$cache/work-$arch" start=$SECONDS
  jpeg_src=$(fetch libjpeg-turbo "$jpeg_version" libjpeg-turbo)
  qpdf_src=$(fetch qpdf "$qpdf_version" qpdf)
  rm -rf "$prefix" "$work"
  mkdir -p "$work"
  # The project's toolchain, searching the new prefix as well.
  cat >"$work/toolchain.cmake" <<EOF
include("$toolchain")
list(APPEND CMAKE_FIND_ROOT_PATH "$prefix")
EOF
  local common=(-DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_CROSSCOMPILING_EMULATOR=)
  echo "mingw-qpdf: $arch: building libjpeg-turbo $jpeg_version"
  cmake -S "$jpeg_src" -B "$work/jpeg" "${common[@]}" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF >"$work/jpeg.log" 2>&1 ||
    { tail -n 30 "$work/jpeg.log" >&2; exit 1; }
  cmake --build "$work/jpeg" -j "$jobs" --target install >>"$work/jpeg.log" 2>&1 ||
    { tail -n 30 "$work/jpeg.log" >&2; exit 1; }
  echo "mingw-qpdf: $arch: building qpdf $qpdf_version (a few minutes)"
  # rijndael.h uses the fixed-width integer types without including their header.
  PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig:/usr/$arch-w64-mingw32/lib/pkgconfig" PKG_CONFIG_PATH= \
    cmake -S "$qpdf_src" -B "$work/qpdf" "${common[@]}" -DBUILD_SHARED_LIBS=OFF \
    -DBUILD_STATIC_LIBS=ON -DREQUIRE_CRYPTO_NATIVE=ON -DUSE_IMPLICIT_CRYPTO=OFF -DBUILD_DOC=OFF \
    -DCMAKE_CXX_FLAGS="-include cstdint" -DCMAKE_EXE_LINKER_FLAGS="-static" \
    >"$work/qpdf.log" 2>&1 || { tail -n 30 "$work/qpdf.log" >&2; exit 1; }
  cmake --build "$work/qpdf" -j "$jobs" --target libqpdf qpdf >>"$work/qpdf.log" 2>&1 ||
    { tail -n 30 "$work/qpdf.log" >&2; exit 1; }
  mkdir -p "$prefix/lib" "$prefix/bin" "$prefix/include"
  cp "$work/qpdf/libqpdf/libqpdf.a" "$prefix/lib/"
  cp "$work/qpdf/qpdf/qpdf.exe" "$prefix/bin/"
  cp -r "$qpdf_src/include/qpdf" "$prefix/include/"
  rm -rf "$work"
  echo "$recipe" >"$prefix/recipe"
  echo "mingw-qpdf: $arch: built into $prefix in $((SECONDS - start)) s"
}

archs=("$@")
[ ${#archs[@]} -gt 0 ] || archs=(i686 x86_64)
for arch in "${archs[@]}"; do
  case $arch in
    i686 | x86_64) build "$arch" ;;
    *) echo "usage: bash scripts/mingw-qpdf.sh [i686|x86_64]..." >&2; exit 2 ;;
  esac
done
