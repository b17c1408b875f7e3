#!/usr/bin/env bash
# velktally with no options on generated sample databases: its time, its
# peak memory, and the ratio of its time to copying the same data directory
# (cp -r) measured in the same run; then the same at twice the size, to see
# that the time grows linearly.
#
#   bench/tally.sh                 scales 300 and 600 (about 0.8 and 1.6 GB)
#   VELK_BENCH_SCALES="50 100" bench/tally.sh
#
# Needs /usr/bin/time. Works in $VELK_BENCH_DIR (default /tmp/velk-bench),
# which it removes at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VELK_BENCH_BUILD:-build-release}
work=${VELK_BENCH_DIR:-${TMPDIR:-/tmp}/velk-bench}
scales=${VELK_BENCH_SCALES:-"300 600"}

if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" >/dev/null
else
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELK_SANITIZE=OFF -DVELK_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target velkgen velktally >/dev/null
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
printf '%-6s %9s %10s %9s %9s %9s %9s %9s %7s\n' scale "data MB" workorders "tally s" "tally cpu" "peak MB" \
  "cp -r s" "gen s" ratio
first_time=""
first_scale=""
for scale in $scales; do
  shop="$work/shop-$scale"
  t0=$(now)
  "$build/velkgen" "$shop" --seed 1 --scale "$scale" --quiet
  t1=$(now)
  cp "$build/velktally" "$shop/"
  mb=$(du -sm "$shop" | cut -f1)
  workorders=$(( $(stat -c %s "$shop/VKINCTAG.DAT") / 290 ))
  sync

  c0=$(now)
  cp -r "$shop" "$work/copy-$scale"
  c1=$(now)
  rm -rf "$work/copy-$scale"

  status=0
  /usr/bin/time -f '%e %U %S %M' -o "$work/time-$scale" "$shop/velktally" >"$work/out-$scale" 2>&1 || status=$?
  if [ "$status" -ne 10 ]; then
    echo "velktally ended with exit status $status:" >&2
    tail -5 "$work/out-$scale" >&2
    exit 1
  fi
  read -r secs user sys kb < <(tail -1 "$work/time-$scale")
  cp_secs=$(echo "$c1 - $c0" | bc -l)
  gen_secs=$(echo "$t1 - $t0" | bc -l)
  printf '%-6s %9d %10d %9.2f %9.2f %9.1f %9.2f %9.2f %7.2f\n' "$scale" "$mb" "$workorders" "$secs" \
    "$(echo "$user + $sys" | bc -l)" "$(echo "$kb / 1024" | bc -l)" "$cp_secs" "$gen_secs" \
    "$(echo "$secs / $cp_secs" | bc -l)"
  if [ -z "$first_time" ]; then
    first_time=$secs
    first_scale=$scale
  else
    printf 'scale %s -> %s: velktally time x %.2f\n' "$first_scale" "$scale" \
      "$(echo "$secs / $first_time" | bc -l)"
  fi
  rm -rf "$shop"
done
echo "(tally cpu: user + system seconds; ratio: velktally time / cp -r time of the same data directory)"
