#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer
# in build-fuzz/, then runs each for the given number of seconds from its seed corpus.
#   scripts/fuzz.sh SECONDS [TARGET...]     (targets: MidiFileFuzz RmiFileFuzz TipFileFuzz
#   InstrumentFileFuzz DocumentFileFuzz RackMidiFileFuzz SysExFileFuzz EditTextFuzz
#   InspectorDocumentFuzz SettingsFuzz; default all)
# What a run finds goes to fuzz/crashes/<target>/, which the normal test run replays; new
# inputs that widen the coverage go to build-fuzz/corpus/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-}
if [[ -z "$seconds" || ! "$seconds" =~ ^[0-9]+$ ]]; then
  echo "usage: $0 SECONDS [TARGET...]" >&2
  exit 2
fi
shift
targets=("$@")
# Every target fuzz/CMakeLists.txt names.
[[ ${#targets[@]} -eq 0 ]] &&
  read -r -a targets <<<"$(awk '/^set\(fuzz_targets/ { on = 1; sub(/^set\(fuzz_targets/, "") }
    on { line = $0; if (sub(/\).*/, "", line)) on = 0; printf "%s ", line }' fuzz/CMakeLists.txt)"
if [[ ${#targets[@]} -eq 0 ]]; then
  echo "fuzz.sh: no fuzz targets found in fuzz/CMakeLists.txt" >&2
  exit 1
fi

scripts/setup-deps.sh
# clang, and its sanitizer and libFuzzer libraries, which clang only recommends.
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 ||
   ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.asan-x86_64.a >/dev/null 2>&1; then
  SUDO=
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
      echo "fuzz.sh: clang and libclang-rt-dev are missing and this user cannot install them" >&2
      exit 1
    fi
    SUDO=sudo
  fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends clang libclang-rt-dev
fi

export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQUAVIX_SANITIZE=ON -DQUAVIX_FUZZ=ON -DQUAVIX_BENCHMARKS=OFF
cmake --build build-fuzz --target "${targets[@]/%/_fuzzer}"

export QUAVIX_MEDIA=memory
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
status=0
for target in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$target
  crashes=fuzz/crashes/$target
  mkdir -p "$corpus" "$crashes"
  echo "== $target for $seconds s"
  build-fuzz/bin/${target}_fuzzer "$corpus" "fuzz/corpus/$target" \
    -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -max_len=65536 \
    -artifact_prefix="$crashes/" -print_final_stats=1 || status=1
done
exit $status
