#!/bin/bash
# Start-up of the Windows program under Wine against an update server that
# holds the version check up: the time until the test program's window is
# mapped, under Xvfb, with the program's own limits, when the server refuses
# (the baseline), never answers, sends the headers and then nothing, or
# trickles 2 bytes a second. Measured by the Linux build's window_map_time.
# Build first: cmake --preset windows-bench && cmake --build --preset windows-bench,
# and a Linux build with the benchmarks (default or release preset).
# Usage: bench/win32/SlowServerStartup.sh [Windows build folder] [Linux build folder] [runs]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$(cd "${1:-$root/build/windows-bench}" && pwd)"
linux="$(cd "${2:-$root/build/default}" && pwd)"
runs="${3:-3}"

if [[ -z "${TICKERLOOM_IN_XVFB:-}" ]]; then
  export TICKERLOOM_IN_XVFB=1
  exec xvfb-run -a -s "-noreset -screen 0 640x480x24" bash "${BASH_SOURCE[0]}" "$build" "$linux" "$runs"
fi

wine=/usr/lib/wine/wine64
# A prefix whose windows are managed, as on a desktop: their map is what
# window_map_time watches for.
prefix="$build/wine-prefix-managed"
[[ -f "$prefix/tickerloom-ready" ]] ||
  bash "$root/tests/win32/MakeWinePrefix.sh" "$wine" "$prefix" --managed
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

work="$(mktemp -d)"
server_pid=""
wineserver -p >"$work/wineserver.log" 2>&1 </dev/null
cleanup() {
  [[ -n "$server_pid" ]] && kill "$server_pid" 2>/dev/null
  wineserver -k
  rm -rf "$work"
}
trap cleanup EXIT
"$wine" cmd /c exit >"$work/first.log" 2>&1 </dev/null
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
