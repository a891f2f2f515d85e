#!/usr/bin/env bash
# Builds quelin and compares `quelin print` with paps, enscript and a2ps on
# the same files (see bench/print_compare.py); prints the README's table.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j 2 >/dev/null
/usr/bin/python3 bench/print_compare.py "$@"
