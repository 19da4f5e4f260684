#!/usr/bin/env bash
# Runs every fuzz target briefly on a scratch copy of its seed corpus, as many at a
# time as the machine has cores.
# Usage: run-fuzzers.sh FUZZ_BIN_DIR SECONDS_EACH
set -euo pipefail
bin=$1
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# run_one NAME: runs one target; its output goes to a log shown only on failure.
run_one() {
  local name=$1 seeds="$root/fuzz/corpus/$1"
  mkdir -p "$scratch/$name"
  if ! "$bin/$name" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -print_final_stats=0 "$scratch/$name" ${seeds:+$( [ -d "$seeds" ] && echo "$seeds")} \
      >"$scratch/$name.log" 2>&1; then
    touch "$scratch/$name.failed"
  fi
}

names=()
for fuzzer in "$bin"/*; do
  [ -x "$fuzzer" ] && names+=("$(basename "$fuzzer")")
done
jobs_max=$(nproc)
for name in "${names[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs_max" ]; do wait -n || true; done
  echo "-- $name (${seconds}s)"
  run_one "$name" &
done
wait

failed=0
for name in "${names[@]}"; do
  if [ -e "$scratch/$name.failed" ]; then
    tail -50 "$scratch/$name.log"
    echo "fuzz target $name failed" >&2
    failed=1
  fi
done
[ "$failed" -eq 0 ] || exit 1
echo "fuzz targets run: ${#names[@]}"
