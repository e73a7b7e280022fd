#!/bin/bash
# Start-up benchmark: time until the window is mapped, and peak resident
# memory, of Quorvane.exe against a bare Qt window built in the same tree,
# measured the same way in one run under Xvfb. Runs the two in turn.
# Usage: bench/window/StartupBench.sh [build folder] [runs]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/InXvfb.sh" 15 "$@"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
runtime="$work/runtime"
mkdir -m 0700 "$runtime"
export XDG_RUNTIME_DIR="$runtime"
cd "$work"

maptime="$build/bench/window/window_map_time"
# The test build: it asks 127.0.0.1 for updates, which refuses at once, so the
# measurement holds the update check but never waits for a network.
quorvane="$build/test-program/Quorvane.exe"
bare="$build/bench/window/bare_qt_window"
# name and command of each program measured; the label variant is context only.
measure() {
  local name=$1 settle=$2
  shift 2
  "$maptime" "$settle" "$@" | sed "s/^/$name /" >>"$work/results"
}
# One warm-up start each, so all find the libraries in the page cache.
for program in "$quorvane" "$bare"; do "$maptime" 300 "$program" >/dev/null; done
for ((run = 0; run < runs; run++)); do
  measure Quorvane.exe 1000 "$quorvane"
  measure bare_qt_window 1000 "$bare"
  measure bare+label 1000 "$bare" --label
done

results="$work/results"
source "$root/bench/window/Medians.sh"
printf '%-16s %14s %16s\n' program "map time (ms)" "peak RSS (kB)"
for name in Quorvane.exe bare_qt_window bare+label; do
  printf '%-16s %14s %16s\n' "$name" "$(field "$name" map_ms)" "$(field "$name" peak_rss_kb)"
done
awk -v qm="$(field Quorvane.exe map_ms)" -v bm="$(field bare_qt_window map_ms)" \
    -v qr="$(field Quorvane.exe peak_rss_kb)" -v br="$(field bare_qt_window peak_rss_kb)" \
    -v lm="$(field bare+label map_ms)" -v lr="$(field bare+label peak_rss_kb)" -v runs="$runs" 'BEGIN {
  printf "Quorvane / bare  %14.3f %16.3f   (target: at most 1.15 on both)\n", qm / bm, qr / br
  printf "Quorvane / label %14.3f %16.3f   (context: any drawn text loads the fonts)\n", qm / lm, qr / lr
  printf "medians of %d runs each, taken in turn\n", runs
}'
