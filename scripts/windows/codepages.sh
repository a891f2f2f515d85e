#!/bin/bash
# Checks that the Linux byte and pair tables of every code page equal
# Windows': tests/win/codepage_dump.cpp dumps them whole from
# MultiByteToWideChar in one Wine process and from platform/posix, and the
# two dumps must be the same line for line.
#   scripts/windows/codepages.sh           compare; non-zero on any mismatch
#   scripts/windows/codepages.sh --write   first regenerate
#                                          platform/posix/WindowsCodePageDifferences.inc
# Uses $WINEPREFIX when set (scripts/windows/test.sh sets it), else a prefix
# of its own in build-win/codepages. Needs what scripts/windows/install.sh
# installs.
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
work=${QUELIN_WIN_BUILD_DIR:-$repo/build-win}/codepages
dump=$repo/tests/win/codepage_dump.cpp
mkdir -p "$work"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C LANG=C
if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX=$work/wineprefix
  trap 'wineserver -k 2>/dev/null || true' EXIT
fi
[ -f "$WINEPREFIX/system.reg" ] || { wine wineboot -i >/dev/null 2>&1; wineserver -w; }

x86_64-w64-mingw32-g++ -std=c++17 -O2 -Wall -Wextra -Werror -static -o "$work/codepage_dump.exe" "$dump"
linux_dump() { # the Linux side, built from the platform source itself
  g++ -std=c++17 -O2 -Wall -Wextra -Werror -I"$repo" "$@" -o "$work/codepage_dump" "$dump" \
    "$repo/platform/posix/CodePages.cpp" "$repo/platform/Utf8.cpp"
  "$work/codepage_dump" >"$work/linux.txt"
}

begin=$(date +%s%N)
wine "$work/codepage_dump.exe" | tr -d '\r' >"$work/windows.txt"
echo "codepages: Wine dumped $(wc -l <"$work/windows.txt") entries in $((($(date +%s%N) - begin) / 1000000)) ms"

if [ "${1:-}" = --write ]; then
  linux_dump -DQUELIN_ICONV_ONLY
  /usr/bin/python3 "$repo/scripts/windows/codepage_differences.py" "$work/windows.txt" "$work/linux.txt" \
    "$repo/platform/posix/WindowsCodePageDifferences.inc"
fi
linux_dump

if cmp -s "$work/windows.txt" "$work/linux.txt"; then
  echo "codepages: the Linux tables equal Windows' ($(grep -c '^[BP]' "$work/linux.txt") units)"
  exit 0
fi
# Entries are in the same order on both sides: count those that differ.
paste -d' ' "$work/windows.txt" "$work/linux.txt" | awk '
  $1 != $5 || $2 != $6 || $3 != $7 { print "codepages: the dumps are out of step at: " $0; exit 2 }
  $4 != $8 { n[$1 " " $2]++; total++; if (total <= 10) print "  " $1 " " $2 " " $3 ": Windows " $4 ", Linux " $8 }
  END { for (k in n) print "codepages: " n[k] " mismatches in " k; print "codepages: " total + 0 " mismatches in all" }'
exit 1
