#!/bin/bash
# Runs a Windows test program under Wine beside three loopback servers
# of its own (tests/update/update_server.py, on ephemeral ports): a plain one,
# one with TLS whose certificate no system trusts and one that answers every
# connection with a plain 400. The program finds them
# through the environment, which Wine passes on:
#   TICKERLOOM_TEST_SERVER_ROOT  the plain server's folder, as a Windows path
#   TICKERLOOM_TEST_SERVER_PORT  its port
#   TICKERLOOM_TEST_TLS_ROOT, TICKERLOOM_TEST_TLS_PORT  the same for the TLS one
#   TICKERLOOM_TEST_PLAIN_PORT   a port where every connection gets a plain
#                                "400 Bad Request" at once (https to a plain server)
#   TICKERLOOM_TEST_CLOSED_PORT  a loopback port on which nothing listens
# Usage: WithUpdateServer.sh <update_server.py> <TLS folder> <wine loader> <program> [arguments]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/Within.sh"
server_script="$1"
tls="$2"
shift 2

work="$(mktemp -d)"
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Starts a server on folder $1 (further arguments for it) and prints its port.
serve() {
  local folder="$1"
  shift
  mkdir "$folder"
  python3 "$server_script" "$folder" "$@" >"$folder.port" 2>"$folder.log" </dev/null &
  pids+=($!)
  within 60 test -s "$folder.port" || { echo "the update server did not start: $(cat "$folder.log")" >&2; exit 1; }
}
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

serve "$work/plain"
serve "$work/tls" --tls "$tls/test_tls_cert.pem" "$tls/test_tls_key.pem"
serve "$work/answer" --plain-answer
export TICKERLOOM_TEST_SERVER_ROOT="$(windows_path "$work/plain")"
export TICKERLOOM_TEST_SERVER_PORT="$(head -n 1 "$work/plain.port")"
export TICKERLOOM_TEST_TLS_ROOT="$(windows_path "$work/tls")"
export TICKERLOOM_TEST_TLS_PORT="$(head -n 1 "$work/tls.port")"
export TICKERLOOM_TEST_PLAIN_PORT="$(head -n 1 "$work/answer.port")"
export TICKERLOOM_TEST_CLOSED_PORT="$(python3 -c 'import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])')"
status=0
"$@" || status=$?
exit "$status"
