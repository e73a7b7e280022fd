#!/bin/bash
# Start-up of the Windows program under Wine against an update server that
# holds the version check up: the time until the test program's window is
# mapped, under Xvfb, with the program's own limits, when the server refuses
# (the baseline), never answers, sends the headers and then nothing, or
# trickles 2 bytes a second. Measured by the Linux build's window_map_time,
# as bench/window/SlowServerStartup.sh measures the Linux program.
# Build first: a Windows build with the test program (windows or windows-bench
# preset) and a Linux build with the benchmarks (default or release preset).
# Usage: bench/win32/SlowServerStartup.sh [Windows build folder] [Linux build folder] [runs]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/InWine.sh" 3 "$@"

server_pid=""
cleanup_more() { [[ -n "$server_pid" ]] && kill "$server_pid" 2>/dev/null; }
map_time=("$linux/bench/window/window_map_time" 300 "$wine")
source "$root/bench/window/SlowServerRoutes.sh"
