#!/usr/bin/env bash
# Hostile input: the unit tests, the hostile-font corpus and the exports'
# life cycle under AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer (build-asan/), then a short bounded run of each fuzz target
# (build-fuzz/). Installs what it needs first. Exits non-zero on any failure.
#
#   FUZZ_SECONDS   time of each fuzz run (default 60); 0 skips fuzzing
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
fuzz_seconds=${FUZZ_SECONDS:-60}
jobs=$(nproc)
started=$SECONDS

source scripts/lib/packages.sh
install_packages \
  clang-14 libclang-rt-14-dev llvm-14 \
  cmake make pkg-config libfreetype-dev libfontconfig-dev fontconfig \
  googletest libgtest-dev python3 python3-fonttools ghostscript fonts-dejavu-core qpdf poppler-utils \
  libharfbuzz-dev libharfbuzz-bin libfribidi-dev libdeflate-dev fonts-noto-cjk

export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/scripts/fuzz/lsan.supp:print_suppressions=0
export ASAN_SYMBOLIZER_PATH=/usr/bin/llvm-symbolizer-14
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"

# Builds a tree, showing its warnings; stops everything when it fails.
build() {
  if ! cmake --build "$1" -j "$jobs" >"$1/build.log" 2>&1; then
    tail -60 "$1/build.log"
    echo "FAILED: building $1"
    exit 1
  fi
  grep -E 'warning: ' "$1/build.log" || true
}

passed=0
failed=0
step() { # name command...
  local name=$1
  shift
  echo "== $name"
  if "$@"; then
    passed=$((passed + 1))
  else
    echo "FAILED: $name"
    failed=$((failed + 1))
  fi
}

echo "== build-asan (clang-14, $sanitize)"
CC=clang-14 CXX=clang++-14 cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="$sanitize -D_GLIBCXX_ASSERTIONS" -DQUELIN_BUILD_TESTS=ON -DQUELIN_BUILD_CLI=ON \
  -DQUELIN_BUILD_BENCHMARKS=OFF >/dev/null
build build-asan

step "unit tests under ASan+UBSan" build-asan/tests/quelin_tests --gtest_brief=1
step "hostile fonts and life cycle under ASan+UBSan+LSan" \
  bash -c "cd build-asan && ctest -L hostile --output-on-failure -j $jobs"

# quelin print's PDF writer over hostile text: invalid UTF-8, a 100 MB line,
# every code point of planes 0 and 1, deep bidi nesting. Each must end in a
# PDF that qpdf accepts (exit status 0, or 4 for the warnings); the 20,000
# pages of the long line, one that pdfinfo reads (qpdf would take longer
# than printing it).
print_pdf() {
  local work=build-asan/print-pdf name
  rm -rf $work && mkdir -p $work
  /usr/bin/python3 - $work <<'PY'
import random, sys
out, random = sys.argv[1], random.Random(1)
open(f'{out}/invalid.txt', 'wb').write(bytes(random.randrange(256) for _ in range(200000)))
open(f'{out}/long.txt', 'w').write(' '.join('word' * random.randrange(1, 9) for _ in range(5250000)))
characters = [chr(c) for c in range(0x20000) if not 0xD800 <= c < 0xE000]
open(f'{out}/planes.txt', 'w', encoding='utf-8', errors='surrogatepass').write(
    '\n'.join(''.join(characters[i:i + 64]) for i in range(0, len(characters), 64)))
open(f'{out}/bidi.txt', 'w').write(('\u202b\u2067abc \u05d0\u05d1 ' * 200 + '\u202c\u2069' * 200 + '\n') * 50)
PY
  for name in invalid long planes bidi; do
    build-asan/quelin print $work/$name.txt -o $work/$name.pdf 2>$work/$name.err
    local rc=$? check=(qpdf --check)
    [ $name = long ] && check=(pdfinfo)
    if [ $rc != 0 ] && [ $rc != 4 ] || ! "${check[@]}" $work/$name.pdf >$work/$name.check 2>&1; then
      echo "$name: exit status $rc"; tail -20 $work/$name.err $work/$name.check; return 1
    fi
  done
}
step "quelin print to PDF under ASan+UBSan+LSan" print_pdf

if ((fuzz_seconds > 0)); then
  echo "== build-fuzz (clang-14, libFuzzer)"
  CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
    -DQUELIN_BUILD_FUZZERS=ON -DQUELIN_BUILD_TESTS=OFF -DQUELIN_BUILD_CLI=OFF -DQUELIN_BUILD_BENCHMARKS=OFF >/dev/null
  build build-fuzz
  rm -rf build-fuzz/seeds
  /usr/bin/python3 scripts/fuzz/make_seeds.py build-fuzz/fuzz-fonts build-fuzz/seeds
  mkdir -p build-fuzz/findings
  pids=()
  for target in convert textout cff; do
    mkdir -p "build-fuzz/corpus-$target"
    options=(-max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1
             -artifact_prefix="build-fuzz/findings/$target-")
    [ "$target" != textout ] && options+=(-max_len=262144 -dict=fuzz/truetype.dict)
    seeds=$([ "$target" = cff ] && echo convert || echo "$target") # the CFF fonts are among convert's seeds
    "build-fuzz/fuzz/fuzz_$target" "${options[@]}" "build-fuzz/corpus-$target" "build-fuzz/seeds/$seeds" \
      >"build-fuzz/fuzz-$target.log" 2>&1 &
    pids+=($!)
  done
  targets=(convert textout cff)
  for i in 0 1 2; do
    target=${targets[$i]}
    if wait "${pids[$i]}"; then
      echo "== fuzz_$target: $(grep -E 'stat::number_of_executed_units' "build-fuzz/fuzz-$target.log" | awk '{print $2}') runs, no finding"
      passed=$((passed + 1))
    else
      echo "== fuzz_$target FAILED (build-fuzz/fuzz-$target.log, build-fuzz/findings/):"
      grep -v -E '^#[0-9]+' "build-fuzz/fuzz-$target.log" | tail -60
      failed=$((failed + 1))
    fi
  done
fi

echo "scripts/fuzz/test.sh took $((SECONDS - started)) s"
echo "hostile input: $passed passed, $failed failed"
((failed == 0))
