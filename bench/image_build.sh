#!/usr/bin/env bash
# Image build against its peers, on one generated tree: 100000 files in 200
# folders plus four 256 MB files (about 1.7 GB); SCALE=N builds 1/N of it (N
# a divisor of 200, say 4 on a busy machine). Each tool's best and median
# of RUNS rounds, the tools taking turns in every round:
#   cat      every file of the tree, in one stream, into one output file
#   xorriso  xorriso -as mkisofs -J
#   direct   our image build on the calling thread
#   threaded our image build through the cache and write threads
# The tree stays in BENCH_DIR for the next run; every tool reads it from the
# page cache (one warm-up pass first), and every output goes to the same
# file system. Ratios under 1.0 mean we were faster. The machine's load
# average before and after the rounds is printed with the figures: on a
# shared machine the best round is the one least disturbed.
set -euo pipefail

build=${BURNER_BUILD:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
case $build in /*) ;; *) build=$root/$build ;; esac
mkimage=$build/bin/mkimage
bench=${BENCH_DIR:-/tmp/burner-bench}
runs=${RUNS:-3}
scale=${SCALE:-1}
tree=$bench/tree
[ "$scale" = 1 ] || tree=$bench/tree-1of$scale
out=$bench/out

if [ ! -x "$mkimage" ]; then
  echo "image_build: SKIPPED, $mkimage is not built (tools/CMakeLists.txt must add tools/mkimage)" >&2
  exit 0
fi

if [ ! -f "$tree/.complete" ]; then
  echo "image_build: generating the tree in $tree"
  rm -rf "$tree"
  mkdir -p "$tree"
  for d in $(seq 0 $((200 / scale - 1))); do
    dir=$tree/folder$d
    mkdir -p "$dir"
    # 500 files a folder, sizes from 512 bytes to about 12 KB by folder.
    size=$((512 + (d * 2897) % 11800))
    head -c $((500 * size)) /dev/urandom | split -b "$size" -a 3 -d - "$dir/file"
  done
  mkdir -p "$tree/big"
  for i in 1 2 3 4; do head -c $(((256 << 20) / scale)) /dev/urandom >"$tree/big/part$i.bin"; done
  touch "$tree/.complete"
fi
rm -f "$tree/.complete.list"
files=$(find "$tree" -type f ! -name '.complete*' | wc -l)
bytes=$(du -sb --exclude=.complete "$tree" | cut -f1)
mkdir -p "$out"

# One timed run of "$@", in seconds.
timed() {
  rm -f "$out"/*
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  rm -f "$out"/*
  echo "$end - $start" | bc -l
}
# The middle of the times given (the lower middle for an even count), and the least.
median() { printf '%s\n' "$@" | sort -g | sed -n "$((($# + 1) / 2))p"; }
best() { printf '%s\n' "$@" | sort -g | head -n 1; }
load() { cut -d' ' -f1-3 /proc/loadavg; }

run_cat() { find "$tree" -type f ! -name '.complete*' -print0 | sort -z | xargs -0 cat >"$out/all.cat"; }
run_xorriso() { xorriso -as mkisofs -quiet -J -o "$out/xorriso.iso" "$tree"; }
run_direct() { "$mkimage" "$tree" "$out/direct.iso"; }
run_threaded() { "$mkimage" --threaded "$tree" "$out/threaded.iso"; }

# Warm-up: the tree into the page cache, and a check that our image is whole.
run_cat
"$mkimage" "$tree" "$out/check.iso"
isoinfo -d -i "$out/check.iso" >/dev/null
rm -f "$out"/*

# Taking turns, a busy spell of the machine falls on every tool alike.
load_before=$(load)
all_cat=() all_xorriso=() all_direct=() all_threaded=()
for _ in $(seq "$runs"); do
  all_cat+=("$(timed run_cat)")
  all_xorriso+=("$(timed run_xorriso)")
  all_direct+=("$(timed run_direct)")
  all_threaded+=("$(timed run_threaded)")
done
load_after=$(load)

ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }
echo "tree: $files files, $((bytes >> 20)) MB; $runs rounds on $(nproc) cores, load average $load_before before, $load_after after"
for pick in best median; do
  t_cat=$(printf '%.3f' "$($pick "${all_cat[@]}")") t_xorriso=$(printf '%.3f' "$($pick "${all_xorriso[@]}")")
  t_direct=$(printf '%.3f' "$($pick "${all_direct[@]}")") t_threaded=$(printf '%.3f' "$($pick "${all_threaded[@]}")")
  echo "$pick:"
  printf '  %-10s %8s s\n' cat "$t_cat" xorriso "$t_xorriso" direct "$t_direct" threaded "$t_threaded"
  echo "  direct/cat $(ratio "$t_direct" "$t_cat")   direct/xorriso $(ratio "$t_direct" "$t_xorriso")"
  echo "  threaded/cat $(ratio "$t_threaded" "$t_cat")   threaded/xorriso $(ratio "$t_threaded" "$t_xorriso")"
done
