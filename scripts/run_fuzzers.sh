#!/bin/sh
# Runs each fuzz target for a bounded time, starting from the seed corpus in
# fuzz/corpus/<target>/ (copied, so new inputs never land in the tree).
# Exits non-zero on the first finding; the crashing input is left in the
# current directory as crash-*.
#   scripts/run_fuzzers.sh <fuzzer-dir> <seconds>
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
fuzzers=$1
seconds=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for target in reply dialogue table; do
  mkdir -p "$work/$target"
  cp "$top/fuzz/corpus/$target/"* "$work/$target/"
  echo "fuzzing $target for $seconds s"
  "$fuzzers/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
    -print_final_stats=1 "$work/$target" 2> "$work/$target.log" || {
    tail -40 "$work/$target.log"
    exit 1
  }
  grep -E "stat::number_of_executed_units|Done" "$work/$target.log" || true
done
