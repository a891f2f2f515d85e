#!/usr/bin/env bash
# The thread test under ThreadSanitizer (build-tsan/): eight threads making,
# reading, drawing and deleting fonts must give no report; nor must the PDF
# writer, which compresses and writes its streams on a thread of its own,
# on a document of many pages and through an output that fails.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/packages.sh
install_packages clang-14 libclang-rt-14-dev cmake make pkg-config libfreetype-dev libfontconfig-dev \
  libharfbuzz-dev libfribidi-dev libdeflate-dev libicu-dev libuchardet-dev libcups2-dev qpdf \
  googletest libgtest-dev python3 python3-fonttools

CC=clang-14 CXX=clang++-14 cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" -DQUELIN_BUILD_CLI=ON >/dev/null
cmake --build build-tsan -j "$(nproc)" --target quelin_tests quelin_cli quelin_texttopdf >build-tsan/build.log 2>&1 || {
  tail -40 build-tsan/build.log
  exit 1
}
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  build-tsan/tests/quelin_tests --gtest_brief=1 --gtest_filter='Reliability.EightThreads:Exports.*'

for i in 1 2 3 4 5; do cat /usr/share/common-licenses/GPL-3; done >build-tsan/gpl5.txt
TSAN_OPTIONS="halt_on_error=1" build-tsan/quelin print -o build-tsan/gpl5.pdf build-tsan/gpl5.txt
qpdf --check build-tsan/gpl5.pdf >/dev/null
if TSAN_OPTIONS="halt_on_error=1" build-tsan/quelin-texttopdf 1 u t 1 '' build-tsan/gpl5.txt >/dev/full \
    2>build-tsan/full.log || grep -q ThreadSanitizer build-tsan/full.log; then
  echo "a PDF written to a full device: no failure, or a ThreadSanitizer report" >&2
  cat build-tsan/full.log >&2
  exit 1
fi
echo "ThreadSanitizer: no report"
