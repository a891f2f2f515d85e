#!/bin/bash
# Checks the export and import tables of a built Quelin.dll:
#   scripts/windows/check_dll.sh [DLL...]   (default: both builds)
# - a DLL whose module name is Quelin.dll;
# - exactly the exports of platform/win32/Quelin.exports, each at its
#   ordinal, with no decorated (name@N) names;
# - imports from Windows system DLLs only (no MinGW runtime DLLs).
# Prints what is wrong and exits non-zero when anything is.
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
out=${QUELIN_WIN_BUILD_DIR:-$repo/build-win}
allowed_imports="advapi32.dll kernel32.dll msvcrt.dll oleaut32.dll ole32.dll user32.dll gdi32.dll"

if (($# == 0)); then
  set -- "$out/i686/Quelin.dll" "$out/x86_64/Quelin.dll"
fi

status=0
for dll in "$@"; do
  problems=()
  if [ ! -f "$dll" ]; then
    echo "check_dll: $dll: missing" >&2
    status=1
    continue
  fi
  # The 32-bit product is checked with the i686 tools, the twin with its own.
  if i686-w64-mingw32-objdump -f "$dll" 2>/dev/null | grep -q 'file format pei-i386'; then
    objdump=i686-w64-mingw32-objdump format=pei-i386
  else
    objdump=x86_64-w64-mingw32-objdump format=pei-x86-64
  fi
  headers=$("$objdump" -p "$dll")

  grep -q "file format $format" <<<"$headers" || problems+=("not a $format file")
  grep -q $'^\tDLL$' <<<"$headers" || problems+=("not marked as a DLL")
  grep -Eq '^Name[[:space:]]+[0-9a-f]+ Quelin\.dll$' <<<"$headers" ||
    problems+=("module name is not Quelin.dll")
  grep -Eq '^Ordinal Base[[:space:]]+1$' <<<"$headers" || problems+=("ordinal base is not 1")

  # Exported names with their ordinals: objdump lists each name with its
  # index in the address table, ordinal base 1.
  actual=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" |
    sed -nE 's/^[[:space:]]*\[ *([0-9]+)\] (.*)$/\2 \1/p' | awk '{ print $1, $2 + 1 }' | sort)
  expected=$(grep -E '^[A-Za-z]' "$repo/platform/win32/Quelin.exports" | awk '{ print $1, $2 }' | sort)
  if [ "$actual" != "$expected" ]; then
    problems+=("exports differ from platform/win32/Quelin.exports:"$'\n'"$(diff <(echo "$expected") <(echo "$actual") | sed 's/^/    /' || true)")
  fi
  grep -q '@' <<<"$actual" && problems+=("decorated export names")
  count=$(sed -nE '/^Number in:/,/^Table Addresses/ s/^[[:space:]]*Export Address Table[[:space:]]+0*([0-9a-f]+)$/\1/p' <<<"$headers")
  [ "$count" = 5 ] || problems+=("export address table has ${count:-no} entries, not 5")

  imports=$(sed -nE 's/^[[:space:]]*DLL Name: (.*)$/\1/p' <<<"$headers" | tr 'A-Z' 'a-z' | sort -u)
  for import in $imports; do
    [[ " $allowed_imports " == *" $import "* ]] || problems+=("imports $import, not a system DLL")
  done

  if ((${#problems[@]})); then
    status=1
    for problem in "${problems[@]}"; do
      echo "check_dll: $dll: $problem" >&2
    done
  else
    echo "check_dll: $dll: $format, Quelin.dll, exports $(awk '{ printf "%s #%s, ", $1, $2 }' <<<"$actual")imports $(echo $imports)"
  fi
done
exit $status
