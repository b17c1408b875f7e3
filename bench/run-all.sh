#!/usr/bin/env bash
# The three programs on generated sample databases of growing size: each run
# on a fresh copy of the database, with its time, its peak memory and the
# ratio of its time to the `cp -r` that made that copy (measured in the same
# run, on the same files). Prints a Markdown table.
#
#   bench/run-all.sh                       scales 30, 300 and 1000
#   VELK_BENCH_SCALES="30 300" bench/run-all.sh
#
# Scale 1 is about 1,000 workorders, so the default scales are about 30,000,
# 300,000 and 1,000,000 workorders. Records link by signed 32-bit offsets, so
# the invoice file must stay below 2 GiB: 1,000,000 workorders (1.5 GB of
# invoices, 2.6 GB of data) is the largest database the generator makes, and
# the run needs three times that on disk.
#
#   velktally   no options
#   velkscrub   /VEHICLES
#   velkprune   keys piped in: inventory and customers switched on, and the
#               five cut-off dates set to the middle of the generated years
#               (07/01/2022), so every history keeps about half
#
# Environment: VELK_BENCH_BUILD (release build folder, default
# build-product-rel), VELK_BENCH_DIR (work folder, default
# /tmp/velk-bench-all, removed at the end), VELK_BENCH_SEED (default 1).
# Needs /usr/bin/time and bc.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VELK_BENCH_BUILD:-build-product-rel}
work=${VELK_BENCH_DIR:-${TMPDIR:-/tmp}/velk-bench-all}
scales=${VELK_BENCH_SCALES:-"30 300 1000"}
seed=${VELK_BENCH_SEED:-1}
programs="velktally velkscrub velkprune"
cutoff=07/01/2022
prune_keys=$(printf 'YY%s%s%s%s%s\033[21~' $cutoff $cutoff $cutoff $cutoff $cutoff)

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELK_SANITIZE=OFF -DVELK_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target velkgen $programs >/dev/null
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
secs_between() { echo "$2 - $1" | bc -l; }

# run_program NAME DIR: runs the program from its data directory; prints
# "seconds peak-KB" to $work/time.
run_program() {
  local name=$1 dir=$2 status=0 want=10
  cp "$build/$name" "$dir/"
  case $name in
    velktally) (cd "$dir" && /usr/bin/time -f '%e %M' -o "$work/time" ./velktally </dev/null >"$work/out" 2>&1) || status=$? ;;
    velkscrub) want=0
               (cd "$dir" && /usr/bin/time -f '%e %M' -o "$work/time" ./velkscrub /VEHICLES </dev/null >"$work/out" 2>&1) || status=$? ;;
    velkprune) (cd "$dir" && printf '%s' "$prune_keys" | /usr/bin/time -f '%e %M' -o "$work/time" ./velkprune >"$work/out" 2>&1) || status=$? ;;
  esac
  if [ "$status" -ne "$want" ]; then
    echo "$name ended with exit status $status (expected $want):" >&2
    tail -c 2000 "$work/out" | tr '\r' '\n' | tail -8 >&2
    exit 1
  fi
}

echo "| workorders | data MB | program | time s | peak MB | cp -r s | time / cp -r |"
echo "|---:|---:|---|---:|---:|---:|---:|"
for scale in $scales; do
  master="$work/master-$scale"
  "$build/velkgen" "$master" --seed "$seed" --scale "$scale" --quiet
  mb=$(du -sm "$master" | cut -f1)
  workorders=$(( $(stat -c %s "$master/VKINCTAG.DAT") / 290 ))
  for name in $programs; do
    sync
    c0=$(now)
    cp -r "$master" "$work/run"
    c1=$(now)
    cp_secs=$(secs_between "$c0" "$c1")
    run_program "$name" "$work/run"
    read -r secs kb < <(tail -1 "$work/time")
    printf '| %d | %d | %s | %.2f | %.0f | %.2f | %.2f |\n' "$workorders" "$mb" "$name" "$secs" \
      "$(echo "$kb / 1024" | bc -l)" "$cp_secs" "$(echo "$secs / $cp_secs" | bc -l)"
    rm -rf "$work/run"
  done
  rm -rf "$master"
done
