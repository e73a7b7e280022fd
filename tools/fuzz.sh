#!/bin/bash
# Builds the libFuzzer targets and runs each for the given number of seconds
# (default 60) from its seed corpus; fails on the first broken property.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
for corpus in fuzz/corpus/*/; do
  target="$(basename "$corpus")"
  work="$(mktemp -d)"
  cp -r "$corpus". "$work"/
  printf '%-16s ' "$target"
  if ! build/fuzz/fuzz/fuzz_"$target" -max_total_time="$seconds" -max_len=8192 \
      -print_final_stats=1 "$work" >"$work/log" 2>&1; then
    cat "$work/log"
    exit 1
  fi
  grep -E "^stat::number_of_executed_units" "$work/log" | awk '{print $2 " executions"}'
  rm -rf "$work"
done
