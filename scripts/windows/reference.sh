#!/bin/bash
# Writes the test data the Wine tests read, into build-win/test-data: the
# test fonts (tests/win/make_fonts.py) and, under reference/, what the Linux
# build of the same sources makes of each test face (the font program and
# T42TextOut's code for the sample text), for host_test.c to compare with.
# The Linux library is built here, in build-win/linux, so this does not
# depend on any other build directory.
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
out=${QUELIN_WIN_BUILD_DIR:-$repo/build-win}
data=$out/test-data
linux=$out/linux

cmake -S "$repo" -B "$linux" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUELIN_BUILD_TESTS=OFF -DQUELIN_BUILD_CLI=OFF >/dev/null
make -C "$linux" -j"$(nproc)" --no-print-directory quelin
cc -std=c99 -Wall -Wextra -Wpedantic -Werror -I"$repo/include" -I"$repo/tests/win" \
  -o "$linux/reference_dump" "$repo/tests/win/reference_dump.c" \
  -L"$linux" -lquelin -Wl,-rpath,"$linux"

mkdir -p "$data/reference"
/usr/bin/python3 "$repo/tests/win/make_fonts.py" "$data"

# fontconfig sees the installed fonts and the test fonts.
cat >"$data/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <dir>$data</dir>
  <cachedir>$data/fontconfig-cache</cachedir>
</fontconfig>
CONF

for face in "DejaVu Sans" "DejaVu Serif" "Quelin Pair Sans" "Quelin Pair Serif"; do
  file=${face// /}
  FONTCONFIG_FILE="$data/fonts.conf" LC_ALL=C "$linux/reference_dump" "$face" \
    "$data/reference/$file.t42" "$data/reference/$file.txt"
done
