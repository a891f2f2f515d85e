#!/usr/bin/env bash
# Builds with the benchmarks and runs them: the in-process benchmarks, then
# the whole-process comparison with the peer converter and the lower bound.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUELIN_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build -j "$(nproc)" >/dev/null
build/bench/quelin_bench
/usr/bin/python3 bench/compare.py "$@"
