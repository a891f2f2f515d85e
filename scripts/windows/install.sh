#!/bin/bash
# Installs, when missing, what the Windows build and its Wine tests need:
# the MinGW-w64 cross compilers, Wine (64-bit, and 32-bit from the i386
# architecture where the kernel executes 32-bit programs), the tools that
# fetch FreeType's Debian source, GoogleTest's source, fontTools and the
# Linux build of the library that the Wine output is compared with.
# Idempotent; runs as root.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib/packages.sh"
source "$here/i386.sh"

packages=(
  cmake make g++ pkg-config dpkg-dev
  libfreetype-dev libfontconfig-dev
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 binutils-mingw-w64-i686
  wine wine64
  googletest python3 python3-fonttools fonts-dejavu-core
)

# 32-bit Wine runs the tests of the 32-bit DLL; test.sh says so when this
# kernel cannot run it.
added_architecture=no
if kernel_runs_i386 "${QUELIN_WIN_BUILD_DIR:-$here/../../build-win}"; then
  packages+=(wine32:i386)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    added_architecture=yes
  fi
fi

mapfile -t missing < <(missing_packages "${packages[@]}")

# `apt-get source freetype` needs deb-src entries for the suites the deb
# entries name. They go into a file of their own, next to the existing
# lists, in whichever of the two formats the machine uses.
has_deb_src() {
  grep -Eqs '^[[:space:]]*deb-src[[:space:]]|^Types:.*deb-src' \
    /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources
}
added_sources=no
if ! has_deb_src; then
  shopt -s nullglob
  deb822=(/etc/apt/sources.list.d/*.sources)
  if ((${#deb822[@]})); then
    for file in "${deb822[@]}"; do
      sed -n 's/^Types:[[:space:]]*deb[[:space:]]*$/Types: deb-src/; p' "$file"
      echo
    done >/etc/apt/sources.list.d/quelin-deb-src.sources
  fi
  lines=""
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] && lines+=$(sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$file")$'\n'
  done
  lines=$(printf '%s' "$lines" | sed '/^$/d')
  if [ -n "$lines" ]; then
    printf '%s\n' "$lines" >/etc/apt/sources.list.d/quelin-deb-src.list
  fi
  shopt -u nullglob
  has_deb_src || { echo "install.sh: found no deb entry to add deb-src for" >&2; exit 1; }
  added_sources=yes
fi

if ((${#missing[@]})) || [ "$added_sources" = yes ] || [ "$added_architecture" = yes ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
fi
if ((${#missing[@]})); then
  echo "install.sh: installing ${missing[*]}"
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
