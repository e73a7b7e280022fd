# Helpers of the update tests between real processes (tests/update and
# tests/win32), sourced after setting work (a temporary folder), program (the
# test program), server_script (update_server.py) and port:
#   fail, within, files_in, files_are, serve (sets server_pid), and
#   new_program, a copy of the program with bytes appended after its end
#   (which the loader ignores, so that the files show which program is
#   which), with is_new telling it apart.

fail() {
  echo "FAIL: $*"
  exit 1
}

source "$(dirname "${BASH_SOURCE[0]}")/Within.sh"

# Names of the files in folder $1, sorted, on one line.
files_in() { (cd "$1" && find . -mindepth 1 -maxdepth 1 -printf '%f\n' | LC_ALL=C sort | xargs); }
files_are() { [[ "$(files_in "$1")" == "$2" ]]; }

# Starts the update server on the port, serving folder $1.
serve() {
  python3 "$server_script" "$1" --port "$port" >"$work/server.out" 2>"$work/server.err" &
  server_pid=$!
  within 10 test -s "$work/server.out" ||
    fail "the update server did not start on 127.0.0.1:$port: $(cat "$work/server.err")"
}

new_program="$work/new-program.exe"
cp "$program" "$new_program"
printf '\nthe new program\n' >>"$new_program"
is_new() { cmp -s "$1" "$new_program"; }
