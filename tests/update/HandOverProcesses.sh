#!/bin/bash
# The hand-over between real processes in a real X server (run inside
# xvfb-run), with copies of the test program (update address
# http://127.0.0.1:PORT/, throwaway key) in temporary folders.
#
#   state-table: every row of the hand-over's state table, each in its own
#     folder, all at once; the folder's files asserted after each.
#   cycle: Quorvane.exe (1.1) finds version 1.2 on a loopback server, the user
#     answers Yes and presses OK, and in the end the folder holds only
#     Quorvane.exe, byte-identical to the program served, and running.
#
# Usage: HandOverProcesses.sh state-table|cycle <test program> <secret key>
#          <release tool> <update_server.py> <port> <screenshot folder>
set -euo pipefail
mode="$1"
program="$2"
secret_key="$3"
release_tool="$4"
server_script="$5"
port="$6"
shots="$7"

work="$(realpath "$(mktemp -d)")"
server_pid=""
children=()

# The processes whose program lies in folder $1, found by their argv[0] (the
# hand-over starts the new program by its full path, and we start ours so).
pids_in() {
  local entry argv0
  for entry in /proc/[0-9]*; do
    argv0="$(tr '\0' '\n' <"$entry/cmdline" 2>/dev/null | head -n 1)" || continue
    [[ "$argv0" == "$1"/* ]] && echo "${entry#/proc/}"
  done
  return 0
}
# The process started as the program at path $1, if any.
pid_of() {
  local pid
  for pid in $(pids_in "$(dirname "$1")"); do
    [[ "$(tr '\0' '\n' <"/proc/$pid/cmdline" 2>/dev/null | head -n 1)" == "$1" ]] && echo "$pid"
  done
  return 0
}

cleanup() {
  local pid
  for pid in $(pids_in "$work"); do kill -KILL "$pid" 2>/dev/null || true; done
  [[ -n "$server_pid" ]] && kill "$server_pid" 2>/dev/null
  for pid in "${children[@]}" $server_pid; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  exit 1
}

# Runs "$@" every 0.1 s until it succeeds; fails after $1 seconds.
within() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

# True when process $1 has ended (a child of ours that has not been waited
# for yet counts as ended).
ended() {
  local state
  state="$(cut -d ' ' -f 3 "/proc/$1/stat" 2>/dev/null)" || return 0
  [[ "$state" == Z ]]
}
running() { ! ended "$1"; }

# The visible window of process $1 titled exactly $2, if any.
window_of() {
  xdotool search --all --onlyvisible --pid "$1" --name "^$2\$" 2>/dev/null | head -n 1 || true
}
main_window_of() { window_of "$1" "Zeltrin's Tickerloom"; }
update_box_of() { window_of "$1" "Update"; }
has_main_window() { [[ -n "$(main_window_of "$1")" ]]; }
has_update_box() { [[ -n "$(update_box_of "$1")" ]]; }
# True when process $1 has ended or shows an update box other than window $2.
box_or_end() {
  local box
  ended "$1" && return 0
  box="$(update_box_of "$1")"
  [[ -n "$box" && "$box" != "${2:-}" ]]
}

# Presses the default button of box $1 (Yes, or OK) with the keyboard.
press_default() {
  xdotool windowfocus --sync "$1"
  xdotool key --clearmodifiers Return
}
screenshot() {
  import -window "$1" "$shots/$2"
}

# Names of the files in folder $1, sorted, on one line.
files_in() { (cd "$1" && find . -mindepth 1 -maxdepth 1 -printf '%f\n' | LC_ALL=C sort | xargs); }
files_are() { [[ "$(files_in "$1")" == "$2" ]]; }

# Starts program $1 by its full path, from an unrelated working folder.
start() {
  (cd "$work" && exec "$1") 2>>"$work/stderr" &
  children+=($!)
  last_pid=$!
}

# The new program: the test program with bytes appended after its end, which
# the loader ignores, so that the files show which program is which.
new_program="$work/new-program"
cp "$program" "$new_program"
printf '\nthe new program\n' >>"$new_program"
is_new() { cmp -s "$1" "$new_program"; }

state_table() {
  # folder: files before (p = the program, n = the new program) | running file
  local -A rows=(
    [steady]="Quorvane.exe=p | Quorvane.exe"
    [handover]="Quorvane.exe=p NewQuorvane.exe=n | Quorvane.exe"
    [delete_rename]="Quorvane.exe=p NewQuorvane.exe=n | NewQuorvane.exe"
    [rename]="NewQuorvane.exe=n | NewQuorvane.exe"
    [other_name]="Quorvane.exe=p NewQuorvane.exe=n Tickerloom.exe=p | Tickerloom.exe"
    [lower_case]="Quorvane.exe=p NewQuorvane.exe=n quorvane.exe=p | quorvane.exe"
    [lower_case_new]="Quorvane.exe=p NewQuorvane.exe=n newquorvane.exe=n | newquorvane.exe"
  )
  local -A pids=()
  local row file
  for row in "${!rows[@]}"; do
    mkdir "$work/$row"
    for file in ${rows[$row]% |*}; do
      if [[ "${file#*=}" == p ]]; then cp "$program" "$work/$row/${file%=*}"; fi
      if [[ "${file#*=}" == n ]]; then cp "$new_program" "$work/$row/${file%=*}"; fi
    done
    start "$work/$row/${rows[$row]#*| }"
    pids[$row]=$last_pid
  done

  # Quorvane.exe with a new program beside it: the first tick hands over,
  # with the message when it is a Timer1 tick.
  local old=${pids[handover]} message=no
  within 20 box_or_end "$old" || fail "handover: the old program went on"
  if running "$old"; then
    message=yes
    press_default "$(update_box_of "$old")"
  fi
  within 10 ended "$old" || fail "handover: the old program did not end after OK"
  echo "handover: the old program ended (message shown: $message)"

  # Wait for every window, then until each program's Timer2 has ticked.
  for row in steady delete_rename rename other_name lower_case lower_case_new; do
    within 20 has_main_window "${pids[$row]}" || fail "$row: no window"
  done
  within 20 has_main_window "$(pid_of "$work/handover/NewQuorvane.exe")" ||
    fail "handover: the new program did not start"
  sleep 2.5

  local -A expected=(
    [steady]="Quorvane.exe"
    [handover]="Quorvane.exe"
    [delete_rename]="Quorvane.exe"
    [rename]="Quorvane.exe"
    [other_name]="NewQuorvane.exe Quorvane.exe Tickerloom.exe"
    [lower_case]="NewQuorvane.exe Quorvane.exe quorvane.exe"
    [lower_case_new]="NewQuorvane.exe Quorvane.exe newquorvane.exe"
  )
  for row in "${!expected[@]}"; do
    files_are "$work/$row" "${expected[$row]}" ||
      fail "$row: files are \"$(files_in "$work/$row")\", expected \"${expected[$row]}\""
  done
  for row in handover delete_rename rename; do
    is_new "$work/$row/Quorvane.exe" || fail "$row: Quorvane.exe is not the new program"
  done
  for row in steady other_name lower_case lower_case_new; do
    is_new "$work/$row/Quorvane.exe" && fail "$row: Quorvane.exe was replaced"
    is_new "$work/$row/NewQuorvane.exe" 2>/dev/null || [[ $row == steady ]] ||
      fail "$row: NewQuorvane.exe changed"
  done
  for row in steady delete_rename rename other_name lower_case lower_case_new; do
    running "${pids[$row]}" || fail "$row: the program ended"
    [[ -z "$(update_box_of "${pids[$row]}")" ]] || fail "$row: an update box is open"
  done
  running "$(pid_of "$work/handover/NewQuorvane.exe")" || fail "handover: the new program ended"
  echo "PASS: every row of the state table"

  # A new program placed by hand beside a running Quorvane.exe whose Timer2
  # has switched itself off: Timer1 says so, and after OK hands over.
  old=${pids[steady]}
  cp "$new_program" "$work/steady/NewQuorvane.exe.part"
  mv "$work/steady/NewQuorvane.exe.part" "$work/steady/NewQuorvane.exe"
  within 10 has_update_box "$old" || fail "steady: no message for the new program"
  sleep 0.3
  screenshot "$(update_box_of "$old")" download-completed.png
  running "$old" || fail "steady: the old program ended before OK"
  [[ -z "$(pid_of "$work/steady/NewQuorvane.exe")" ]] || fail "steady: started before OK"
  press_default "$(update_box_of "$old")"
  within 10 ended "$old" || fail "steady: the old program did not end after OK"
  within 20 has_main_window "$(pid_of "$work/steady/NewQuorvane.exe")" ||
    fail "steady: the new program did not start"
  within 10 files_are "$work/steady" "Quorvane.exe" ||
    fail "steady: files are \"$(files_in "$work/steady")\" after the hand-over"
  is_new "$work/steady/Quorvane.exe" || fail "steady: Quorvane.exe is not the new program"
  echo "PASS: a new program placed by hand is announced, started after OK, and takes over"
}

cycle() {
  # The server's directory, published with the release tool: version 1.2,
  # served once (the new program's own check then finds no version file,
  # since inside it is this same build, still 1.1).
  local root="$work/server" app="$work/app"
  "$release_tool" publish 1.2 "$new_program" "$secret_key" "$root" >/dev/null
  echo "/Quorvane.exeVer.txt once" >"$root/.routes"
  python3 "$server_script" "$root" --port "$port" >"$work/server.out" 2>"$work/server.err" &
  server_pid=$!
  within 10 test -s "$work/server.out" ||
    fail "the update server did not start on 127.0.0.1:$port: $(cat "$work/server.err")"

  mkdir "$app"
  cp "$program" "$app/Quorvane.exe"
  start "$app/Quorvane.exe"
  local old=$last_pid
  within 20 has_update_box "$old" || fail "no update prompt"
  has_main_window "$old" && fail "the window was shown before the check"
  files_are "$app" "Quorvane.exe Quorvane.execfu.tmp" ||
    fail "files during the prompt: $(files_in "$app")"
  sleep 0.3
  local prompt
  prompt="$(update_box_of "$old")"
  screenshot "$prompt" newer-version-available.png
  press_default "$prompt"

  # The old program shows its window, then a Timer1 tick announces the
  # download (OK pressed) or a Timer2 tick hands over without a word.
  local message=no
  within 30 box_or_end "$old" "$prompt" ||
    fail "the old program neither announced the download nor ended"
  if running "$old"; then
    has_main_window "$old" || fail "no window after the download"
    files_are "$app" "NewQuorvane.exe Quorvane.exe" ||
      fail "files after the download: $(files_in "$app")"
    message=yes
    sleep 0.3
    screenshot "$(update_box_of "$old")" cycle-download-completed.png
    press_default "$(update_box_of "$old")"
  fi
  within 10 ended "$old" || fail "the old program did not end"

  local new
  within 20 test -n "$(pid_of "$app/NewQuorvane.exe")" || fail "the new program did not start"
  new="$(pid_of "$app/NewQuorvane.exe")"
  within 20 has_main_window "$new" || fail "the new program shows no window"
  within 10 files_are "$app" "Quorvane.exe" || fail "files in the end: $(files_in "$app")"
  cmp "$app/Quorvane.exe" "$root/Quorvane.exe" || fail "Quorvane.exe is not the program served"
  [[ -x "$app/Quorvane.exe" ]] || fail "Quorvane.exe is not executable"
  sleep 1
  running "$new" || fail "the new program ended"
  [[ -z "$(update_box_of "$new")" ]] || fail "the new program shows an update box"
  files_are "$app" "Quorvane.exe" || fail "files later: $(files_in "$app")"
  local requests
  requests="$(xargs <"$root/.requests")"
  [[ "$requests" == "/Quorvane.exeVer.txt /Quorvane.exe /Quorvane.exe.sig /Quorvane.exeVer.txt" ]] ||
    fail "requests: $requests"
  echo "PASS: the whole update cycle (message shown: $message)"
}

case "$mode" in
  state-table) state_table ;;
  cycle) cycle ;;
  *) fail "unknown mode $mode" ;;
esac
