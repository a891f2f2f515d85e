#!/usr/bin/env bash
# The thread test under ThreadSanitizer (build-tsan/): eight threads making,
# reading, drawing and deleting fonts must give no report.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/packages.sh
install_packages clang-14 libclang-rt-14-dev cmake make pkg-config libfreetype-dev libfontconfig-dev \
  googletest libgtest-dev python3 python3-fonttools

CC=clang-14 CXX=clang++-14 cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" -DQUELIN_BUILD_CLI=OFF >/dev/null
cmake --build build-tsan -j "$(nproc)" --target quelin_tests >build-tsan/build.log 2>&1 || {
  tail -40 build-tsan/build.log
  exit 1
}
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  build-tsan/tests/quelin_tests --gtest_brief=1 --gtest_filter='Reliability.EightThreads:Exports.*'
