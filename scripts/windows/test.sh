#!/bin/bash
# Builds Quelin.dll for Windows and tests it, from the repository root as
# root on a fresh machine; no display needed:
#   scripts/windows/test.sh
# 1. scripts/windows/build.sh: installs what is missing, builds FreeType and
#    both DLLs (i686, the product; x86_64, its twin that Wine runs).
# 2. scripts/windows/check_dll.sh: export and import tables of both.
# 3. scripts/windows/reference.sh: the Linux build's output for the faces
#    the host test converts.
# 4. In a new Wine prefix, ctest runs the x86_64 host test and unit tests.
# Exits non-zero on any failure; leaves no Wine process behind.
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
out=${QUELIN_WIN_BUILD_DIR:-$repo/build-win}
export QUELIN_WIN_BUILD_DIR=$out

started=$(date +%s)
timings=()
wine_prefix= # set once this script has started Wine
step() {
  local name=$1 begin
  shift
  begin=$(date +%s)
  echo "== windows: $name"
  "$@"
  timings+=("$(printf '%-28s %4ss' "$name" $(($(date +%s) - begin)))")
}

report() {
  local status=$?
  if [ -n "$wine_prefix" ]; then
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
  fi
  echo "== windows: timings"
  printf '  %s\n' "${timings[@]}"
  printf '  %-28s %4ss\n' total $(($(date +%s) - started))
  if ((status)); then
    echo "== windows: FAILED"
  fi
  exit $status
}
trap report EXIT

step "build" "$repo/scripts/windows/build.sh"
step "check DLL tables" "$repo/scripts/windows/check_dll.sh"
step "Linux reference output" "$repo/scripts/windows/reference.sh"

# A new prefix each run, so only what the tests register is new in it.
# LC_ALL pins the user locale that Wine's date formatting follows; the
# overrides skip the Mono and Gecko installers.
export WINEPREFIX=$out/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C
unset DISPLAY WAYLAND_DISPLAY
new_prefix() {
  wine_prefix=$WINEPREFIX
  rm -rf "$WINEPREFIX"
  wine wineboot -i >/dev/null 2>&1
  wineserver -w
}
step "Wine prefix" new_prefix
step "code pages equal Windows'" "$repo/scripts/windows/codepages.sh"
step "Wine tests" ctest --test-dir "$out/x86_64" --output-on-failure --timeout 300
