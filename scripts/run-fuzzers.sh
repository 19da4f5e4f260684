#!/usr/bin/env bash
# Runs every fuzz target briefly on a scratch copy of its seed corpus.
# Usage: run-fuzzers.sh FUZZ_BIN_DIR SECONDS_EACH
set -euo pipefail
bin=$1
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
count=0
for fuzzer in "$bin"/*; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  mkdir -p "$scratch/$name"
  seeds="$root/fuzz/corpus/$name"
  echo "-- $name (${seconds}s)"
  if ! "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -print_final_stats=0 "$scratch/$name" ${seeds:+$( [ -d "$seeds" ] && echo "$seeds")} \
      >"$scratch/$name.log" 2>&1; then
    tail -50 "$scratch/$name.log"
    echo "fuzz target $name failed" >&2
    exit 1
  fi
  count=$((count + 1))
done
echo "fuzz targets run: $count"
