#!/usr/bin/env bash
# Burning against building: a compilation of about 1.6 GB (2000 small files
# in 20 folders and six 256 MB files) is burned to a virtual DVD+R DL with
# no speed limit and, for comparison, built as an image file through the
# same cache and write threads. Both write to the same file system. The
# burn should reach at least 0.90 of the build's throughput.
set -euo pipefail

build=${BURNER_BUILD:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
case $build in /*) ;; *) build=$root/$build ;; esac
program=$build/bench/bench_burn_speed
bench=${BENCH_DIR:-/tmp/burner-burn-bench}
runs=${RUNS:-3}
tree=$bench/tree

if [ ! -x "$program" ]; then
  echo "burn_speed: SKIPPED, $program is not built" >&2
  exit 0
fi
if [ ! -f "$bench/.tree-complete" ]; then
  echo "burn_speed: generating the tree in $tree"
  rm -rf "$tree"
  mkdir -p "$tree/big"
  for d in $(seq 0 19); do
    mkdir -p "$tree/folder$d"
    head -c $((100 * 8192)) /dev/urandom | split -b 8192 -a 3 -d - "$tree/folder$d/file"
  done
  for i in 1 2 3 4 5 6; do head -c $((256 << 20)) /dev/urandom >"$tree/big/part$i.bin"; done
  touch "$bench/.tree-complete"
fi
mkdir -p "$bench/work"
cat "$tree"/big/* >/dev/null  # into the page cache for both runs
for run in $(seq "$runs"); do
  echo "run $run"
  "$program" "$tree" "$bench/work"
done
