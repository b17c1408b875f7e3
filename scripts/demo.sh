#!/usr/bin/env bash
# Builds the programs (release build, no sanitizers), makes a sample shop
# database in demo-shop/ with the programs copied beside the data (the data
# directory is the programs' own directory), and rebuilds its inventory usage
# history with velktally.
#
#   scripts/demo.sh [DIR] [SCALE]     (defaults: demo-shop, scale 5)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=${VELK_DEMO_BUILD:-build-release}
shop=${1:-demo-shop}
scale=${2:-5}

echo "== Building the programs in $build/"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELK_SANITIZE=OFF -DVELK_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

echo "== Making a sample shop database in $shop/ (scale $scale)"
"$build/velkgen" "$shop" --seed 1 --scale "$scale"
for p in velktally velkscrub velkprune; do
  if [ -x "$build/$p" ]; then cp "$build/$p" "$shop/"; fi
done

usage_entries() { echo $(( $(stat -c %s "$shop/VKUSEHST.DAT") / 76 )); }
before=$(usage_entries)

echo "== Running velktally in $shop/"
status=0
"$shop/velktally" || status=$?
echo
if [ "$status" -ne 10 ]; then
  echo "velktally ended with exit status $status" >&2
  exit 1
fi
echo "velktally ended normally (exit status 10)."
echo "Usage history: $before entries before, $(usage_entries) after the rebuild."
echo "Inventory index: $(( $(stat -c %s "$shop/VKINVTAG.DAT") / 128 )) items."
echo "The programs and the data are in $shop/; run them there (for example $shop/velktally /?)."
