#!/bin/bash
# Cross-builds Quelin.dll for Windows with MinGW-w64, from the same sources
# as the Linux library:
#   build-win/i686/Quelin.dll    the product (32-bit), tested under 32-bit Wine
#   build-win/x86_64/Quelin.dll  its 64-bit twin, tested under 64-bit Wine
# Installs what is missing, fetches FreeType's Debian source and builds it
# statically for both architectures (kept in build-win/third_party, so
# later runs reuse it). Run from anywhere, as root on a fresh machine:
#   scripts/windows/build.sh
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
out=${QUELIN_WIN_BUILD_DIR:-$repo/build-win}
third=$out/third_party
jobs=$(nproc)

"$repo/scripts/windows/install.sh"

mkdir -p "$third"

# FreeType, as Debian ships it (with Debian's patches applied).
if [ ! -f "$third/freetype-src/CMakeLists.txt" ]; then
  rm -rf "$third/download" "$third/freetype-src"
  mkdir -p "$third/download"
  # The source lists can lag behind the deb-src entries: update once.
  (cd "$third/download" && { apt-get source --download-only -q freetype ||
    { apt-get update -q && apt-get source --download-only -q freetype; }; })
  # apt has checked the files against the signed source index; dpkg-source
  # only adds a warning that it has no keyring to check the .dsc with.
  dpkg-source -x "$third"/download/freetype_*.dsc "$third/freetype-src" >"$third/download/extract.log" 2>&1 ||
    { cat "$third/download/extract.log"; exit 1; }
fi

# Only the modules the converter uses: sfnt tables, TrueType outlines and
# glyph names. Without zlib, bzip2, png, HarfBuzz or Brotli the static
# library needs nothing further at link time.
build_freetype() {
  local arch=$1 build=$third/freetype-build-$1 prefix=$third/$1
  if [ -f "$prefix/lib/libfreetype.a" ] && [ "$prefix/lib/libfreetype.a" -nt "$third/freetype-src/CMakeLists.txt" ]; then
    return
  fi
  rm -rf "$build" "$prefix"
  mkdir -p "$build/include/freetype/config"
  cat >"$build/include/freetype/config/ftmodule.h" <<'MODULES'
FT_USE_MODULE( FT_Driver_ClassRec, tt_driver_class )
FT_USE_MODULE( FT_Module_Class, sfnt_module_class )
FT_USE_MODULE( FT_Module_Class, psnames_module_class )
MODULES
  cmake -S "$third/freetype-src" -B "$build" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchains/$arch-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
    -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON >"$build/configure.log" 2>&1 ||
    { cat "$build/configure.log"; exit 1; }
  make -C "$build" -j"$jobs" install >"$build/build.log" 2>&1 || { tail -40 "$build/build.log"; exit 1; }
}

# Quelin for one architecture, against that architecture's FreeType.
build_quelin() {
  local arch=$1 prefix=$third/$1
  cmake -S "$repo" -B "$out/$arch" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/toolchains/$arch-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DFREETYPE_INCLUDE_DIR_ft2build="$prefix/include/freetype2" \
    -DFREETYPE_INCLUDE_DIR_freetype2="$prefix/include/freetype2" \
    -DFREETYPE_LIBRARY="$prefix/lib/libfreetype.a" \
    -DQUELIN_WIN_TEST_DATA="$out/test-data" >/dev/null
  make -C "$out/$arch" -j"$jobs" --no-print-directory
}

for arch in i686 x86_64; do
  build_freetype "$arch"
done
for arch in i686 x86_64; do
  build_quelin "$arch"
done
