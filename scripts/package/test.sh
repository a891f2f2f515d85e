#!/usr/bin/env bash
# Tests installing and packaging: installs into a temporary prefix, builds
# the README's example against it through pkg-config and through CMake's
# find_package, runs the result in Ghostscript, and checks the Debian
# package. Run from anywhere, as root on Debian 12.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok   $1"; }
fail() {
  failed=$((failed + 1))
  echo "FAIL $1"
  [ -n "${2:-}" ] && sed 's/^/     /' <<<"$2" | head -40
  return 0
}
summary() {
  echo "package: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

if ! scripts/package/build-deb.sh >/dev/null; then
  fail "scripts/package/build-deb.sh"
  summary
  exit 1
fi

work=$(mktemp -d /tmp/quelin-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
log=$work/log

# --- Install into a temporary prefix -------------------------------------
if ! cmake --install build-pkg --prefix "$prefix" >"$log" 2>&1; then
  fail "cmake --install into a temporary prefix" "$(cat "$log")"
  summary
  exit 1
fi
libdir=$(dirname "$(find "$prefix" -name 'libquelin.so.1.0.0' | head -1)")
pcdir=$libdir/pkgconfig

missing=""
for file in "$libdir/libquelin.so.1.0.0" "$libdir/libquelin.so.1" "$libdir/libquelin.so" \
  "$prefix/include/quelin.h" "$prefix/bin/quelin" "$pcdir/quelin.pc" \
  "$libdir/cmake/Quelin/QuelinConfig.cmake" "$libdir/cmake/Quelin/QuelinConfigVersion.cmake" \
  "$libdir/cmake/Quelin/QuelinTargets.cmake" "$prefix/share/man/man1/quelin.1.gz" \
  "$prefix/lib/cups/filter/quelin-texttopdf" "$prefix/share/cups/mime/quelin.convs"; do
  [ -e "$file" ] || missing+="$file"$'\n'
done
if [ -z "$missing" ] && [ "$(readlink "$libdir/libquelin.so")" = libquelin.so.1 ] &&
  [ "$(readlink "$libdir/libquelin.so.1")" = libquelin.so.1.0.0 ]; then
  pass "install: library, links, header, command, pkg-config, CMake package, man page, spooler's filter"
else
  fail "install: files or links missing" "$missing$(ls -lR "$prefix")"
fi

soname=$(readelf -d "$libdir/libquelin.so.1.0.0" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = libquelin.so.1 ] && pass "SONAME libquelin.so.1" || fail "SONAME is '$soname'"

# Programs see the functions of quelin.h and nothing of the library's inside.
exported=$(nm -D --defined-only "$libdir/libquelin.so.1.0.0" | awk '{print $NF}' | sort | tr '\n' ' ')
expected="T42DeleteTrueTypeFont T42GetFontData T42GetPSFontName T42GetSubsetFontData T42GlobalFree T42GlobalLock \
T42GlobalSize T42GlobalUnlock T42MakeTrueTypeFont T42TextOut T42TextOutUTF8 "
[ "$exported" = "$expected" ] && pass "exports only the functions of quelin.h" ||
  fail "exported symbols differ" "$exported"

# --- The man page covers every command and option of --help -------------
help=$("$prefix/bin/quelin" --help)
man=$(gzip -dc "$prefix/share/man/man1/quelin.1.gz" | LC_ALL=C.UTF-8 groff -ww -man -Tutf8 -P-cbou 2>"$log")
words=$( (sed -n '/^Commands:/,/^$/p' <<<"$help" | awk '/^  [a-z]/ {print $1}'
  grep -oE '(^| )--?[a-z][a-z-]*' <<<"$help" | tr -d ' ') | sort -u)
absent=""
for word in $words; do
  grep -qe "$word" <<<"$man" || absent+="$word "
done
if [ -n "$words" ] && [ -z "$absent" ] && [ ! -s "$log" ]; then
  pass "man page names every command and option of --help"
else
  fail "man page lacks: ${absent:-(none)}" "$(cat "$log")"
fi

# --- The README's example -------------------------------------------------
section=$(sed -n '/^## Use it from your program/,/^## /p' README.md)
block() { awk -v lang="$1" '$0 == "```" lang {on = 1; next} on && $0 == "```" {exit} on' <<<"$section"; }
block c >"$work/hello.c"
compile=$(block sh | grep -m1 '^cc ')
if [ ! -s "$work/hello.c" ] || [ -z "$compile" ]; then
  fail "README: no C example or no cc command in 'Use it from your program'"
fi

# Ghostscript loads the program's output: the font is defined, no error, and
# the text comes out as written.
check_output() { # name file
  local out
  out=$(gs -q -dSAFER -dBATCH -dNOPAUSE -dNODISPLAY "$2" \
    -c "/DejaVuSans /Font resourcestatus {pop pop (font-defined) =} {(font-missing) =} ifelse" 2>&1)
  if [ "$out" != font-defined ]; then
    fail "$1: Ghostscript" "$out"
    return
  fi
  out=$(gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=txtwrite -sOutputFile=- "$2" 2>&1)
  if grep -q "Hello, world! Café à la crème" <<<"$out"; then
    pass "$1: Ghostscript defines DejaVuSans and draws the text"
  else
    fail "$1: Ghostscript draws something else" "$out"
  fi
}

# Through pkg-config, with the command exactly as the README prints it.
mkdir -p "$work/pc"
cp "$work/hello.c" "$work/pc/"
if (cd "$work/pc" && PKG_CONFIG_PATH=$pcdir eval "$compile -Wall -Wextra -Werror") >"$log" 2>&1 &&
  PKG_CONFIG_PATH=$pcdir pkg-config --cflags quelin | grep -q -- "-I$prefix/include"; then
  pass "README example builds with pkg-config"
  if (cd "$work/pc" && LD_LIBRARY_PATH=$libdir ./hello >hello.ps) 2>"$log"; then
    check_output "pkg-config build" "$work/pc/hello.ps"
  else
    fail "pkg-config build: hello fails" "$(cat "$log")"
  fi
else
  fail "README example with pkg-config: $compile" "$(cat "$log")"
fi

# quelin.pc stands alone: no development files of FreeType, fontconfig or HarfBuzz.
if PKG_CONFIG_LIBDIR=$pcdir pkg-config --cflags --libs quelin >"$log" 2>&1; then
  pass "quelin.pc needs no other .pc file"
else
  fail "quelin.pc needs other .pc files" "$(cat "$log")"
fi

# Through find_package, with the README's CMakeLists.txt. No LD_LIBRARY_PATH:
# the imported target must name the installed library's real location.
mkdir -p "$work/cm"
cp "$work/hello.c" "$work/cm/"
block cmake >"$work/cm/CMakeLists.txt"
if cmake -S "$work/cm" -B "$work/cm/build" -DCMAKE_PREFIX_PATH="$prefix" >"$log" 2>&1 &&
  cmake --build "$work/cm/build" >>"$log" 2>&1; then
  pass "README example builds with find_package(Quelin)"
  if "$work/cm/build/hello" >"$work/cm/hello.ps" 2>"$log"; then
    check_output "CMake build" "$work/cm/hello.ps"
  else
    fail "CMake build: hello fails" "$(cat "$log")"
  fi
else
  fail "README example with find_package(Quelin)" "$(cat "$log")"
fi

# --- The Debian package ---------------------------------------------------
deb=$(ls build-pkg/libquelin_1.0.0_*.deb 2>/dev/null | head -1)
if [ -z "$deb" ]; then
  fail "no build-pkg/libquelin_1.0.0_*.deb"
else
  arch=$(dpkg --print-architecture)
  [ "$deb" = "build-pkg/libquelin_1.0.0_${arch}.deb" ] && pass "package file $deb" ||
    fail "package file is $deb"

  info=$(dpkg-deb -I "$deb")
  depends=$(sed -n 's/^ Depends: //p' <<<"$info")
  lacking=""
  names=$(tr ',' '\n' <<<"$depends" | awk '{print $1}')
  for package in libc6 libstdc++6 libfreetype6 libfontconfig1 libharfbuzz-subset0; do
    grep -qxF "$package" <<<"$names" || lacking+="$package "
  done
  if grep -q '^ Package: libquelin$' <<<"$info" && grep -q '^ Version: 1.0.0$' <<<"$info" &&
    [ -z "$lacking" ]; then
    pass "package libquelin 1.0.0 depends on libc6, libstdc++6, libfreetype6, libfontconfig1, libharfbuzz-subset0"
  else
    fail "package control: missing ${lacking:-(none)}" "$info"
  fi

  if dpkg-deb -I "$deb" postinst | grep -q ldconfig && dpkg-deb -I "$deb" postrm | grep -q "cups force-reload"; then
    pass "package runs ldconfig and has CUPS read its conversions again"
  else
    fail "package's postinst or postrm lacks ldconfig or the CUPS reload"
  fi

  unpacked=$work/deb
  dpkg-deb -x "$deb" "$unpacked"
  multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
  expected_files="./usr/bin/quelin
./usr/include/quelin.h
./usr/lib/cups/filter/quelin-texttopdf
./usr/lib/$multiarch/cmake/Quelin/QuelinConfig.cmake
./usr/lib/$multiarch/cmake/Quelin/QuelinConfigVersion.cmake
./usr/lib/$multiarch/cmake/Quelin/QuelinTargets-release.cmake
./usr/lib/$multiarch/cmake/Quelin/QuelinTargets.cmake
./usr/lib/$multiarch/libquelin.so
./usr/lib/$multiarch/libquelin.so.1
./usr/lib/$multiarch/libquelin.so.1.0.0
./usr/lib/$multiarch/pkgconfig/quelin.pc
./usr/share/cups/mime/quelin.convs
./usr/share/man/man1/quelin.1.gz"
  files=$(cd "$unpacked" && find . ! -type d | sort)
  if [ "$files" = "$expected_files" ]; then
    pass "package file list"
  else
    fail "package file list differs" "$(diff <(echo "$expected_files") <(echo "$files"))"
  fi
  if grep -qx 'prefix=/usr' "$unpacked/usr/lib/$multiarch/pkgconfig/quelin.pc" &&
    ! grep -rq "$work\|$root" "$unpacked/usr/lib/$multiarch/pkgconfig" "$unpacked/usr/lib/$multiarch/cmake"; then
    pass "package's pkg-config and CMake files name /usr and no build path"
  else
    fail "package's pkg-config or CMake files name a build path" \
      "$(cat "$unpacked/usr/lib/$multiarch/pkgconfig/quelin.pc")"
  fi
  version=$("$unpacked/usr/bin/quelin" --version 2>&1)
  [ "$version" = "quelin 1.0.0" ] && pass "packaged quelin runs" || fail "packaged quelin --version" "$version"
fi

summary
