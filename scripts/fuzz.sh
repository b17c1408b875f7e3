#!/usr/bin/env bash
# Builds the coverage-guided fuzz targets with clang (libFuzzer, with
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs each over its
# stored corpus.
#
#   scripts/fuzz.sh [-t SECONDS | -n INPUTS] [-m] [TARGET...]
#
#   -t SECONDS  run each target this long (default 30)
#   -n INPUTS   run each target for this many inputs instead
#   -m          afterwards fold what the run found into the stored corpus
#               (tests/fuzz/corpus/TARGET), keeping only inputs that add
#               coverage
#   TARGET      docs, records, chains, keys, dates (default: all of them)
#
# New inputs go to fuzz-work/TARGET (VELK_FUZZ_WORK names another folder),
# never into the source tree; a finding stops the run with exit status 1 and
# leaves the input beside them (add it to tests/fuzz/regressions once
# mended). Each target ends with a line giving its input count and time.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=30
inputs=""
merge=0
while getopts "t:n:m" opt; do
  case $opt in
    t) seconds=$OPTARG ;;
    n) inputs=$OPTARG ;;
    m) merge=1 ;;
    *) sed -n '2,20s/^# \{0,1\}//p' "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(docs records chains keys dates)

build=${VELK_FUZZ_BUILD:-build-fuzz}
export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-$(command -v ccache || true)}
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DVELK_SANITIZE=ON \
      -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for t in "${targets[@]}"; do
  work=${VELK_FUZZ_WORK:-fuzz-work}/$t
  corpus=tests/fuzz/corpus/$t
  mkdir -p "$work" "$corpus"
  # The first of extra is the one option a target brings; then its
  # further corpus folders.
  case $t in
    docs) extra=(-dict=tests/fuzz/docs.dict tests/fuzz/seeds tests/fuzz/regressions) ;;
    keys) extra=(-max_len=512) ;;
    dates) extra=(-max_len=256) ;;
    *) extra=(-max_len=4096) ;;
  esac
  if [ -n "$inputs" ]; then limit=(-runs="$inputs"); else limit=(-max_total_time="$seconds"); fi
  log=$work.log
  start=$(date +%s)
  if ! "$build/tests/fuzz/fuzz_$t" "${limit[@]}" -timeout=20 -print_final_stats=1 \
         -artifact_prefix="$work-" "${extra[@]:0:1}" "$work" "$corpus" "${extra[@]:1}" \
         >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz_$t: a finding (input beside $work, log in $log)"
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "fuzz_$t: ${runs:-?} inputs in $(( $(date +%s) - start )) s, no finding"
  if [ "$merge" = 1 ]; then
    "$build/tests/fuzz/fuzz_$t" -merge=1 "${extra[@]:0:1}" "$corpus" "$work" >"$work.merge.log" 2>&1
  fi
done
