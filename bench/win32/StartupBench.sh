#!/bin/bash
# Start-up benchmark of the Windows build under Wine: time until the window is
# mapped, of Quorvane.exe against a bare Win32 window built in the same tree,
# measured the same way in one run under Xvfb by the Linux build's
# window_map_time (the Wine process's peak memory comes along).
# Build first: cmake --preset windows-bench && cmake --build --preset windows-bench,
# and a Linux build with the benchmarks (default or release preset).
# Usage: bench/win32/StartupBench.sh [Windows build folder] [Linux build folder] [runs]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/InWine.sh" 5 "$@"
cd "$work"

maptime="$linux/bench/window/window_map_time"
quorvane="$build/Quorvane.exe"
bare="$build/bench/win32/bare_win32_window.exe"
results="$work/results"
measure() {
  local name=$1
  shift
  "$maptime" 1000 "$wine" "$@" | sed "s/^/$name /" >>"$results"
}
# One warm-up start each, so both find their files in the page cache.
for program in "$quorvane" "$bare"; do "$maptime" 300 "$wine" "$program" >/dev/null; done
for ((run = 0; run < runs; run++)); do
  measure Quorvane.exe "$quorvane"
  measure bare_win32_window "$bare"
done

source "$root/bench/window/Medians.sh"
printf '%-18s %14s %16s\n' program "map time (ms)" "peak RSS (kB)"
for name in Quorvane.exe bare_win32_window; do
  printf '%-18s %14s %16s\n' "$name" "$(field "$name" map_ms)" "$(field "$name" peak_rss_kb)"
done
awk -v qm="$(field Quorvane.exe map_ms)" -v bm="$(field bare_win32_window map_ms)" \
    -v qr="$(field Quorvane.exe peak_rss_kb)" -v br="$(field bare_win32_window peak_rss_kb)" \
    -v runs="$runs" 'BEGIN {
  printf "Quorvane / bare    %14.3f %16.3f\n", qm / bm, qr / br
  printf "medians of %d runs each under Wine, taken in turn\n", runs
}'
