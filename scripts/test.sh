#!/usr/bin/env bash
# Sets up, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
(cd build && ctest --output-on-failure -j "$(nproc)")
for suite in scripts/tsan.sh scripts/windows/test.sh scripts/fuzz/test.sh scripts/package/test.sh; do
  if [ -x "$suite" ]; then
    echo "== $suite"
    "$suite"
  fi
done
