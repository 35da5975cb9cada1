#!/usr/bin/env bash
# Installs what is missing, builds Quavix and runs every test.
#   scripts/test.sh          the normal build, in build/
#   scripts/test.sh --asan   AddressSanitizer and UndefinedBehaviorSanitizer, in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
options=()
case "${1:-}" in
  --asan) build=build-asan; options+=(-DQUAVIX_SANITIZE=ON -DQUAVIX_BENCHMARKS=OFF) ;;
  "") ;;
  *) echo "usage: $0 [--asan]" >&2; exit 2 ;;
esac

scripts/setup-deps.sh
# A clone in another folder (a CI checkout, a worktree) hits the same compiler cache.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
scripts/check-layers.py
cmake -S . -B "$build" -G Ninja "${options[@]}"
cmake --build "$build" --parallel "$(nproc)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" --no-tests=error
