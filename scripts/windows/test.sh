#!/bin/bash
# Builds Quelin.dll for Windows and tests it, from the repository root as
# root on a fresh machine; no display needed:
#   scripts/windows/test.sh
# 1. scripts/windows/install.sh: what is missing, 32-bit Wine included
#    where the kernel executes 32-bit programs.
# 2. scripts/windows/build.sh: FreeType and both DLLs (i686, the product;
#    x86_64, its twin), while new Wine prefixes are made in the background.
# 3. scripts/windows/check_dll.sh: export and import tables of both.
# 4. scripts/windows/reference.sh: the Linux build's output for the faces
#    the host tests convert.
# 5. ctest runs each build's tests in its own prefix: the i686 host test,
#    unit tests and stack test under 32-bit Wine, the x86_64 host test and
#    unit tests under 64-bit Wine. Where the kernel cannot execute 32-bit
#    programs, one SKIP line names the i686 tests not run, and the last
#    line says that only x86_64 passed.
# Exits non-zero on any failure; leaves no Wine process behind.
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
out=${QUELIN_WIN_BUILD_DIR:-$repo/build-win}
export QUELIN_WIN_BUILD_DIR=$out

started=$(date +%s)
timings=()
wine_prefixes=()  # those this script has started Wine in
prefix_jobs=()    # the background jobs making them
architectures=()  # those whose tests ran
step() {
  local name=$1 begin
  shift
  begin=$(date +%s)
  echo "== windows: $name"
  "$@"
  timings+=("$(printf '%-28s %4ss' "$name" $(($(date +%s) - begin)))")
}

report() {
  local status=$? prefix
  if ((${#prefix_jobs[@]})); then
    kill "${prefix_jobs[@]}" 2>/dev/null || true
  fi
  for prefix in "${wine_prefixes[@]}"; do
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    WINEPREFIX=$prefix wineserver -w 2>/dev/null || true
  done
  echo "== windows: timings"
  printf '  %s\n' "${timings[@]}"
  printf '  %-28s %4ss\n' total $(($(date +%s) - started))
  if ((status)); then
    echo "== windows: FAILED"
  elif [ "${architectures[*]}" = "i686 x86_64" ]; then
    echo "== windows: passed on i686 and x86_64"
  else
    echo "== windows: passed on x86_64 only; i686 NOT run"
  fi
  exit $status
}
trap report EXIT

step "install" "$repo/scripts/windows/install.sh"

# What runs the i686 tests: a kernel that executes 32-bit programs, and
# 32-bit Wine, which install.sh installs on such a kernel.
source "$repo/scripts/windows/i386.sh"
run_i686=yes
if ! kernel_runs_i386 "$out"; then
  run_i686=no
  echo "== windows: SKIP: this kernel cannot execute 32-bit programs, so the i686 host test, i686 unit tests and stack test (32-bit Wine) will NOT run; the x86_64 twin's tests will"
fi

# New prefixes each run, so only what the tests register is new in them: a
# 32-bit one for the product and a 64-bit one for the twin, made while the
# DLLs build. LC_ALL pins the user locale that Wine's date formatting
# follows; the overrides skip the Mono and Gecko installers.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C
unset DISPLAY WAYLAND_DISPLAY WINEPREFIX WINEARCH
start_prefix() { # ARCHITECTURE WINEARCH
  local prefix=$out/wineprefix-$1
  wine_prefixes+=("$prefix")
  (
    rm -rf "$prefix"
    WINEPREFIX=$prefix WINEARCH=$2 wine wineboot -i >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -w
  ) &
  prefix_jobs+=($!)
}
wait_prefixes() {
  local job
  for job in "${prefix_jobs[@]}"; do
    wait "$job"
  done
  prefix_jobs=()
}
if [ "$run_i686" = yes ]; then
  start_prefix i686 win32
fi
start_prefix x86_64 win64

step "build" "$repo/scripts/windows/build.sh"
step "check DLL tables" "$repo/scripts/windows/check_dll.sh"
step "Linux reference output" "$repo/scripts/windows/reference.sh"
step "Wine prefixes (rest of)" wait_prefixes

# One build's tests in its prefix, then what each test program counted.
wine_tests() {
  local arch=$1
  WINEPREFIX=$out/wineprefix-$arch ctest --test-dir "$out/$arch" --output-on-failure --timeout 300
  grep -hE '^(host_test|stack_test): |^\[  PASSED  \]' "$out/$arch/Testing/Temporary/LastTest.log" |
    sed "s/^/  $arch: /"
  architectures+=("$arch")
}
if [ "$run_i686" = yes ]; then
  step "Wine tests, i686 (32-bit)" wine_tests i686
fi
step "Wine tests, x86_64 (64-bit)" wine_tests x86_64
step "code pages equal Windows'" env WINEPREFIX="$out/wineprefix-x86_64" "$repo/scripts/windows/codepages.sh"
