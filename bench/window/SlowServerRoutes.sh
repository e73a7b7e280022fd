# Sourced by the slow-server benchmarks (bench/window and bench/win32) once
# their session is up, with root, build, runs and work set and map_time an
# array holding the command that starts a program and prints its map time.
# Starts the update server in the background (server_pid, for the caller's
# clean-up) and prints one line of map times per way the server answers.
mkdir -p "$work/server" "$work/app"
port="$(sed -n 's/^TICKERLOOM_TEST_UPDATE_PORT:STRING=//p' "$build/CMakeCache.txt")"
# A newer version, with more lines than a trickle delivers in the time allowed.
{ printf '1.2\r\n'; head -c 1000 /dev/zero | tr '\0' 'n'; } >"$work/server/Quorvane.exeVer.txt"
cp "$build/test-program/Quorvane.exe" "$work/app/Quorvane.exe"
cd "$work/app"

measure() {
  local name=$1 run
  printf '%-28s' "$name"
  for ((run = 0; run < runs; run++)); do
    "${map_time[@]}" "$work/app/Quorvane.exe" | sed -n 's/^map_ms=\([0-9]*\).*/\1/p' | tr '\n' ' '
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
