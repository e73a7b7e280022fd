#!/bin/bash
# Start-up against an update server that holds the version check up: the time
# until the test program's window is mapped, under Xvfb, with the program's
# own limits, when the server refuses (the baseline), never answers, sends the
# headers and then nothing, or trickles 2 bytes a second.
# Usage: bench/window/SlowServerStartup.sh [build folder] [runs]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/InXvfb.sh" 3 "$@"

work="$(mktemp -d)"
server_pid=""
cleanup() {
  [[ -n "$server_pid" ]] && kill "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -m 0700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" no_proxy=127.0.0.1
map_time=("$build/bench/window/window_map_time" 300)
source "$root/bench/window/SlowServerRoutes.sh"
