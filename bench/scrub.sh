#!/usr/bin/env bash
# velkscrub /VEHICLES on generated sample databases: prints its time, its
# peak memory and the ratio of its time to copying the same data directory
# (cp -r) in the same run; then the same at twice the size, to see how the
# time grows.
#
#   bench/scrub.sh                    scales 300 and 600 (about 300,000 and
#                                     600,000 workorders, 0.8 and 1.6 GB)
#   VELK_BENCH_SCALES="30 60" bench/scrub.sh
#
# Environment: VELK_BENCH_BUILD (release build folder, default
# build-release), VELK_BENCH_DIR (work folder, default /tmp/velk-bench-scrub,
# removed at the end), VELK_BENCH_SEED (default 1). Needs /usr/bin/time and bc.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VELK_BENCH_BUILD:-build-release}
work=${VELK_BENCH_DIR:-${TMPDIR:-/tmp}/velk-bench-scrub}
scales=${VELK_BENCH_SCALES:-"300 600"}
seed=${VELK_BENCH_SEED:-1}

if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" >/dev/null
else
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELK_SANITIZE=OFF -DVELK_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target velkgen velkscrub >/dev/null
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }

printf '%-6s %8s %10s %10s %10s %9s %8s %7s  %s\n' scale "data MB" workorders customers \
  "scrub s" "peak MB" "cp -r s" ratio "removed/saved copies"
first_time=""
first_scale=""
for scale in $scales; do
  shop="$work/shop-$scale"
  "$build/velkgen" "$shop" --seed "$seed" --scale "$scale" --quiet
  cp "$build/velkscrub" "$shop/"
  mb=$(du -sm "$shop" | cut -f1)
  workorders=$(( $(stat -c %s "$shop/VKINCTAG.DAT") / 290 ))
  customers=$(( $(stat -c %s "$shop/VKCSTDAT.DAT") / 317 ))
  sync

  c0=$(now)
  cp -r "$shop" "$work/copy-$scale"
  c1=$(now)
  rm -rf "$work/copy-$scale"
  sync

  status=0
  (cd "$shop" && /usr/bin/time -f '%e %M' -o "$work/time-$scale" ./velkscrub /VEHICLES \
     </dev/null >"$work/out-$scale" 2>&1) || status=$?
  if [ "$status" -ne 0 ]; then
    echo "velkscrub ended with exit status $status:" >&2
    tail -c 2000 "$work/out-$scale" | tr '\r' '\n' | tail -8 >&2
    exit 1
  fi
  read -r secs kb < <(tail -1 "$work/time-$scale")
  cp_secs=$(echo "$c1 - $c0" | bc -l)
  copies=$(ls "$shop/DELETED" 2>/dev/null | wc -l)
  printf '%-6s %8d %10d %10d %10.2f %9.1f %8.2f %7.2f  %d\n' "$scale" "$mb" "$workorders" "$customers" \
    "$secs" "$(echo "$kb / 1024" | bc -l)" "$cp_secs" "$(echo "$secs / $cp_secs" | bc -l)" "$copies"
  if [ -z "$first_time" ]; then
    first_time=$secs
    first_scale=$scale
  else
    printf 'scale %s -> %s: velkscrub time x %.2f\n' "$first_scale" "$scale" \
      "$(echo "$secs / $first_time" | bc -l)"
  fi
  rm -rf "$shop"
done
echo "(ratio: velkscrub time / cp -r time of the same data directory)"
