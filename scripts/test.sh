#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every unit and end-to-end test. Installs what a fresh machine lacks.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=${VELK_TEST_BUILD:-build-test}
cmake -S . -B "$build" -DVELK_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
# With clang and its libFuzzer here, each fuzz target also runs briefly over
# its stored corpus.
probe=$(mktemp -d)
if command -v clang++ >/dev/null &&
   echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
     clang++ -x c++ -fsanitize=fuzzer,address - -o "$probe/probe" 2>/dev/null; then
  VELK_FUZZ_WORK=${VELK_FUZZ_WORK:-$build/fuzz-work} scripts/fuzz.sh -t "${VELK_FUZZ_SECONDS:-30}"
else
  echo "clang++ with libFuzzer not found: the fuzz targets were not run"
fi
rm -rf "$probe"
