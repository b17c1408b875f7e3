#!/usr/bin/env bash
# velkprune with all seven passes on generated sample databases: the keys
# are piped in (inventory and customers switched on, the five cut-off dates
# set to the middle of the generated years, 07/01/2022, so every history
# keeps about half). Prints its time, its peak memory, what each history
# kept, and the ratio of its time to copying the same data directory (cp -r)
# in the same run; then the same at twice the size, to see that the time
# grows linearly.
#
#   bench/prune.sh                    scales 300 and 600 (about 0.8 and 1.6 GB)
#   VELK_BENCH_SCALES="30 60" bench/prune.sh
#
# Environment: VELK_BENCH_BUILD (release build folder, default
# build-release), VELK_BENCH_DIR (work folder, default /tmp/velk-bench-prune,
# removed at the end). Needs /usr/bin/time and bc.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VELK_BENCH_BUILD:-build-release}
work=${VELK_BENCH_DIR:-${TMPDIR:-/tmp}/velk-bench-prune}
scales=${VELK_BENCH_SCALES:-"300 600"}
cutoff=07/01/2022
keys=$(printf 'YY%s%s%s%s%s\033[21~' $cutoff $cutoff $cutoff $cutoff $cutoff)

if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" >/dev/null
else
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELK_SANITIZE=OFF -DVELK_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target velkgen velkprune >/dev/null
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
size() { stat -c %s "$1"; }
kept() { echo "$(( 100 * $2 / ($1 > 0 ? $1 : 1) ))%"; }

printf '%-6s %8s %10s %9s %9s %8s %8s %7s  %s\n' scale "data MB" workorders "prune s" "peak MB" \
  "cp -r s" "gen s" ratio "kept: usage receiving payroll invoices"
first_time=""
first_scale=""
for scale in $scales; do
  shop="$work/shop-$scale"
  t0=$(now)
  "$build/velkgen" "$shop" --seed 1 --scale "$scale" --quiet
  t1=$(now)
  cp "$build/velkprune" "$shop/"
  mb=$(du -sm "$shop" | cut -f1)
  workorders=$(( $(size "$shop/VKINCTAG.DAT") / 290 ))
  before=($(size "$shop/VKUSEHST.DAT") $(size "$shop/VKRCVLOG.DAT") $(size "$shop/VKPAYROL.DAT") \
          $(size "$shop/VKINVOIC.DAT"))
  sync

  c0=$(now)
  cp -r "$shop" "$work/copy-$scale"
  c1=$(now)
  rm -rf "$work/copy-$scale"

  status=0
  (cd "$shop" && printf '%s' "$keys" |
     /usr/bin/time -f '%e %M' -o "$work/time-$scale" ./velkprune >"$work/out-$scale" 2>&1) || status=$?
  if [ "$status" -ne 10 ]; then
    echo "velkprune ended with exit status $status:" >&2
    tail -c 2000 "$work/out-$scale" | tr '\r' '\n' | tail -8 >&2
    exit 1
  fi
  after=($(size "$shop/VKUSEHST.DAT") $(size "$shop/VKRCVLOG.DAT") $(size "$shop/VKPAYROL.DAT") \
         $(size "$shop/VKINVOIC.DAT"))
  read -r secs kb < <(tail -1 "$work/time-$scale")
  cp_secs=$(echo "$c1 - $c0" | bc -l)
  gen_secs=$(echo "$t1 - $t0" | bc -l)
  printf '%-6s %8d %10d %9.2f %9.1f %8.2f %8.2f %7.2f  %s %s %s %s\n' "$scale" "$mb" "$workorders" \
    "$secs" "$(echo "$kb / 1024" | bc -l)" "$cp_secs" "$gen_secs" "$(echo "$secs / $cp_secs" | bc -l)" \
    "$(kept "${before[0]}" "${after[0]}")" "$(kept "${before[1]}" "${after[1]}")" \
    "$(kept "${before[2]}" "${after[2]}")" "$(kept "${before[3]}" "${after[3]}")"
  if [ -z "$first_time" ]; then
    first_time=$secs
    first_scale=$scale
  else
    printf 'scale %s -> %s: velkprune time x %.2f\n' "$first_scale" "$scale" \
      "$(echo "$secs / $first_time" | bc -l)"
  fi
  rm -rf "$shop"
done
echo "(ratio: velkprune time / cp -r time of the same data directory)"
