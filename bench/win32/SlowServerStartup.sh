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
mkdir "$work/server" "$work/app"
port="$(sed -n 's/^TICKERLOOM_TEST_UPDATE_PORT:STRING=//p' "$build/CMakeCache.txt")"
# A newer version, with more lines than a trickle delivers in the time allowed.
{ printf '1.2\r\n'; head -c 1000 /dev/zero | tr '\0' 'n'; } >"$work/server/Quorvane.exeVer.txt"
cp "$build/test-program/Quorvane.exe" "$work/app/Quorvane.exe"
cd "$work/app"

measure() {
  local name=$1 run
  printf '%-28s' "$name"
  for ((run = 0; run < runs; run++)); do
    "$linux/bench/window/window_map_time" 300 "$wine" "$work/app/Quorvane.exe" |
      sed -n 's/^map_ms=\([0-9]*\).*/\1/p' | tr '\n' ' '
  done
  echo "ms"
}

measure "refused (no server)"
python3 "$root/tests/update/update_server.py" "$work/server" --port "$port" >"$work/port" &
server_pid=$!
until [[ -s "$work/port" ]]; do sleep 0.1; done
for route in silent stall "trickle 2"; do
  echo "/Quorvane.exeVer.txt $route" >"$work/server/.routes"
  measure "$route"
done
