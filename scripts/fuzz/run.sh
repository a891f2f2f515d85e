#!/usr/bin/env bash
# Runs one fuzz target for a long time on one core, keeping its corpus in
# build-fuzz/corpus-TARGET and its findings in build-fuzz/findings/.
# Build the targets first (scripts/fuzz/test.sh does, or FUZZ_SECONDS=0
# scripts/fuzz/test.sh to build without the short runs).
#
#   scripts/fuzz/run.sh convert|textout [SECONDS] [libFuzzer options...]
#
# A finding is reproduced with: build-fuzz/fuzz/fuzz_TARGET FILE
set -euo pipefail
cd "$(dirname "$0")/../.."
target=${1:?usage: run.sh convert|textout [SECONDS] [options...]}
seconds=${2:-3600}
shift $(($# > 1 ? 2 : 1))
binary=build-fuzz/fuzz/fuzz_$target
if [ ! -x "$binary" ]; then
  echo "run.sh: $binary is not built (FUZZ_SECONDS=0 scripts/fuzz/test.sh builds it)" >&2
  exit 2
fi
[ -d build-fuzz/seeds/$target ] || /usr/bin/python3 scripts/fuzz/make_seeds.py build-fuzz/fuzz-fonts build-fuzz/seeds
mkdir -p "build-fuzz/corpus-$target" build-fuzz/findings
options=(-max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1
         -artifact_prefix="build-fuzz/findings/$target-")
[ "$target" = convert ] && options+=(-max_len=262144 -dict=fuzz/truetype.dict)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_stack_use_after_return=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
exec nice -n 10 "$binary" "${options[@]}" "$@" "build-fuzz/corpus-$target" "build-fuzz/seeds/$target"
