#!/bin/bash
# The hand-over between real processes in a real X server (run inside
# xvfb-run), with copies of the test program (update address
# http://127.0.0.1:PORT/, throwaway key) in temporary folders.
#
#   state-table: every row of the hand-over's state table, each in its own
#     folder, all at once; the folder's files asserted after each.
#   cycle: Quorvane.exe (1.1) finds version 1.2 on a loopback server, the user
#     answers Yes and presses OK, and in the end the folder holds only
#     Quorvane.exe, byte-identical to the program served, with the old one's
#     permissions, and running.
#   two-instances: two old programs in one folder both announce a new program
#     and both start it; the folder never lacks Quorvane.exe and ends with
#     the new one.
#   crash-steps: the new program killed (SIGKILL) at each step of its
#     hand-over; the folder always holds a runnable Quorvane.exe, and the next
#     start completes the hand-over.
#   start-failure: a new program that cannot be started, or ends at once, is
#     told once and removed, then the old program goes on without further
#     boxes, and the next start makes no announcement.
#   download: a slow download in its progress box; a second copy of the
#     program started meanwhile leaves the first one's temporary files alone;
#     the first one killed, the next start removes what it left and makes no
#     offer from its stale version file; Cancel keeps nothing.
#
# Usage: HandOverProcesses.sh <mode> <test program> <secret key>
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
watcher_pid=""
children=()

# The processes whose program lies in folder $1, found by their argv[0] (the
# hand-over starts the new program by its full path, and we start ours so).
pids_in() {
  local entry argv0
  for entry in /proc/[0-9]*; do
    argv0="$(tr '\0' '\n' 2>/dev/null <"$entry/cmdline" | head -n 1)" || continue
    [[ "$argv0" == "$1"/* ]] && echo "${entry#/proc/}"
  done
  return 0
}
# The process started as the program at path $1, if any.
pid_of() {
  local pid
  for pid in $(pids_in "$(dirname "$1")"); do
    [[ "$(tr '\0' '\n' 2>/dev/null <"/proc/$pid/cmdline" | head -n 1)" == "$1" ]] && echo "$pid"
  done
  return 0
}

cleanup() {
  local pid
  for pid in $(pids_in "$work"); do kill -KILL "$pid" 2>/dev/null || true; done
  [[ -n "$watcher_pid" ]] && kill "$watcher_pid" 2>/dev/null
  [[ -n "$server_pid" ]] && kill "$server_pid" 2>/dev/null
  for pid in "${children[@]}" $server_pid; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "${BASH_SOURCE[0]}")/../support/UpdateProcesses.sh"

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
# The same for the process started as the program at path $1, looked up anew
# on every call (within runs them until they hold).
program_runs() { [[ -n "$(pid_of "$1")" ]]; }
program_has_window() { program_runs "$1" && has_main_window "$(pid_of "$1")"; }
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
# A picture of window $1 in the screenshot folder as $2, once the box has
# had a moment to draw itself: the pause is for the picture, which no test
# looks at; nothing waits on it.
screenshot() {
  sleep "${3:-0.3}"
  import -window "$1" "$shots/$2"
}

# Starts program $1 by its full path, from an unrelated working folder, with
# the environment settings that follow it (NAME=VALUE). Every program, and
# every program it starts, adds its handled timer ticks to one trace
# (tests/support/TracingHook.h), so that the tests wait for ticks, not times.
start() {
  (cd "$work" && exec env TICKERLOOM_TEST_TRACE="$work/trace" "${@:2}" "$1") 2>>"$work/stderr" &
  children+=($!)
  last_pid=$!
}
# How many ticks of timer $2 ("Timer1", "Timer2") process $1 has handled.
ticks() { grep -c -x "$1 [^ ]* $2" "$work/trace" 2>/dev/null || true; }
# True once process $1's Timer2 has had its tick (and, unless it ended the
# program, switched itself off).
timer2_done() { (($(ticks "$1" Timer2) > 0)); }
# Waits until process $1 has handled $2 more Timer1 ticks than it had.
timer1_ticks_more() {
  local target=$(($(ticks "$1" Timer1) + $2))
  within 30 timer1_reached "$1" "$target"
}
timer1_reached() { (($(ticks "$1" Timer1) >= $2)); }

# True when process $1 has ended or shows its main window.
window_or_end() { ended "$1" || has_main_window "$1"; }

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
  within 30 ended "$old" || fail "handover: the old program did not end after OK"
  echo "handover: the old program ended (message shown: $message)"

  # Wait for every window, then until each program's Timer2 has ticked.
  for row in steady delete_rename rename other_name lower_case lower_case_new; do
    within 20 has_main_window "${pids[$row]}" || fail "$row: no window"
  done
  within 20 program_has_window "$work/handover/NewQuorvane.exe" ||
    fail "handover: the new program did not start"
  for row in steady delete_rename rename other_name lower_case lower_case_new; do
    within 30 timer2_done "${pids[$row]}" || fail "$row: Timer2 did not tick"
  done
  within 30 timer2_done "$(pid_of "$work/handover/NewQuorvane.exe")" ||
    fail "handover: the new program's Timer2 did not tick"

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
  screenshot "$(update_box_of "$old")" download-completed.png
  running "$old" || fail "steady: the old program ended before OK"
  [[ -z "$(pid_of "$work/steady/NewQuorvane.exe")" ]] || fail "steady: started before OK"
  press_default "$(update_box_of "$old")"
  within 30 ended "$old" || fail "steady: the old program did not end after OK"
  within 20 program_has_window "$work/steady/NewQuorvane.exe" ||
    fail "steady: the new program did not start"
  within 30 files_are "$work/steady" "Quorvane.exe" ||
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
  serve "$root"

  mkdir "$app"
  cp "$program" "$app/Quorvane.exe"
  # Permissions of its own, which the new program must take over.
  chmod 0751 "$app/Quorvane.exe"
  start "$app/Quorvane.exe"
  local old=$last_pid
  within 20 has_update_box "$old" || fail "no update prompt"
  has_main_window "$old" && fail "the window was shown before the check"
  files_are "$app" "Quorvane.exe Quorvane.execfu.tmp" ||
    fail "files during the prompt: $(files_in "$app")"
  local prompt
  prompt="$(update_box_of "$old")"
  screenshot "$prompt" newer-version-available.png
  press_default "$prompt"

  # The old program downloads (in a progress box) and shows its window, then
  # a Timer1 tick announces the download (OK pressed) or a Timer2 tick hands
  # over without a word.
  local message=no
  within 30 window_or_end "$old" || fail "no window after the download"
  within 30 box_or_end "$old" "$prompt" ||
    fail "the old program neither announced the download nor ended"
  if running "$old"; then
    has_main_window "$old" || fail "no window after the download"
    files_are "$app" "NewQuorvane.exe Quorvane.exe" ||
      fail "files after the download: $(files_in "$app")"
    message=yes
    screenshot "$(update_box_of "$old")" cycle-download-completed.png
    press_default "$(update_box_of "$old")"
  fi
  within 30 ended "$old" || fail "the old program did not end"

  local new
  within 20 program_runs "$app/NewQuorvane.exe" || fail "the new program did not start"
  new="$(pid_of "$app/NewQuorvane.exe")"
  within 20 has_main_window "$new" || fail "the new program shows no window"
  within 30 files_are "$app" "Quorvane.exe" || fail "files in the end: $(files_in "$app")"
  cmp "$app/Quorvane.exe" "$root/Quorvane.exe" || fail "Quorvane.exe is not the program served"
  [[ "$(stat -c %a "$app/Quorvane.exe")" == 751 ]] ||
    fail "Quorvane.exe has mode $(stat -c %a "$app/Quorvane.exe"), the old one had 751"
  # After its Timer2, a Timer1 tick that would announce anything left.
  within 30 timer2_done "$new" || fail "the new program's Timer2 did not tick"
  timer1_ticks_more "$new" 1 || fail "the new program's Timer1 does not tick"
  running "$new" || fail "the new program ended"
  [[ -z "$(update_box_of "$new")" ]] || fail "the new program shows an update box"
  files_are "$app" "Quorvane.exe" || fail "files later: $(files_in "$app")"
  local requests
  requests="$(xargs <"$root/.requests")"
  [[ "$requests" == "/Quorvane.exeVer.txt /Quorvane.exe /Quorvane.exe.sig /Quorvane.exeVer.txt" ]] ||
    fail "requests: $requests"
  echo "PASS: the whole update cycle (message shown: $message)"
}

two_instances() {
  local app="$work/app" first second pid
  mkdir "$app"
  cp "$program" "$app/Quorvane.exe"
  start "$app/Quorvane.exe"
  first=$last_pid
  start "$app/Quorvane.exe"
  second=$last_pid
  within 20 has_main_window "$first" || fail "no window of the first program"
  within 20 has_main_window "$second" || fail "no window of the second program"
  # Both Timer2s have switched themselves off: Timer1 hands over, with its box.
  within 30 timer2_done "$first" || fail "the first program's Timer2 did not tick"
  within 30 timer2_done "$second" || fail "the second program's Timer2 did not tick"
  # Quorvane.exe must never be missing or not runnable.
  while :; do
    [[ -x "$app/Quorvane.exe" ]] || files_in "$app" >>"$work/missing"
    sleep 0.005
  done &
  watcher_pid=$!
  cp "$new_program" "$app/NewQuorvane.exe.part"
  mv "$app/NewQuorvane.exe.part" "$app/NewQuorvane.exe"
  within 10 has_update_box "$first" || fail "the first program did not announce the download"
  within 10 has_update_box "$second" || fail "the second program did not announce the download"
  # Both press OK before the first one's new program has its first Timer2 tick.
  for pid in "$first" "$second"; do press_default "$(update_box_of "$pid")"; done
  within 30 ended "$first" || fail "the first program did not end after OK"
  within 30 ended "$second" || fail "the second program did not end after OK"
  within 20 files_are "$app" "Quorvane.exe" || fail "files: $(files_in "$app")"
  for pid in $(pids_in "$app"); do
    within 30 timer2_done "$pid" || fail "a new program's Timer2 did not tick"
    timer1_ticks_more "$pid" 1 || fail "a new program's Timer1 does not tick"
    [[ -z "$(update_box_of "$pid")" ]] || fail "a new program shows an update box"
  done
  files_are "$app" "Quorvane.exe" && is_new "$app/Quorvane.exe" || fail "files later: $(files_in "$app")"
  [[ ! -s "$work/missing" ]] || fail "Quorvane.exe was missing: $(head -n 3 "$work/missing")"
  echo "PASS: two old programs hand over to $(pids_in "$app" | wc -l) new one(s), Quorvane.exe never missing"
}

crash_steps() {
  # The new program's hand-over changes the folder once (the rename): step 0
  # is just before it, step 1 just after; step 2 never comes.
  local step app files status old new
  for step in 0 1 2; do
    app="$work/step$step"
    mkdir "$app"
    cp "$program" "$app/Quorvane.exe"
    cp "$new_program" "$app/NewQuorvane.exe"
    start "$app/NewQuorvane.exe" TICKERLOOM_TEST_KILL_AT_STEP=$step
    new=$last_pid
    if ((step < 2)); then
      within 20 ended "$new" || fail "step $step: the new program was not killed"
      status=0
      wait "$new" || status=$?
      ((status == 128 + 9)) || fail "step $step: the new program ended with $status, not by SIGKILL"
      files="$(files_in "$app")"
      [[ -x "$app/Quorvane.exe" ]] || fail "step $step: no runnable Quorvane.exe: $files"
      # The next start, as a player would.
      start "$app/Quorvane.exe"
      old=$last_pid
      [[ "$files" == Quorvane.exe ]] || within 20 box_or_end "$old" ||
        fail "step $step: the hand-over was not taken up again"
      if has_update_box "$old"; then press_default "$(update_box_of "$old")"; fi
      echo "step $step: killed with \"$files\" in the folder"
    fi
    within 20 files_are "$app" "Quorvane.exe" || fail "step $step: files: $(files_in "$app")"
    is_new "$app/Quorvane.exe" || fail "step $step: Quorvane.exe is not the new program"
  done
  running "$new" || fail "step 2: the new program ended"
  echo "PASS: a crash at every step of the hand-over leaves a runnable Quorvane.exe"
}

start_failure() {
  # The new program not executable, not a program at all, and one that ends
  # at once (as a build for a newer C library does, with status 127) or
  # without a word.
  local case app old announced failure
  for case in not_executable broken ends_127 ends_0; do
    app="$work/$case"
    mkdir "$app"
    cp "$program" "$app/Quorvane.exe"
    start "$app/Quorvane.exe"
    old=$last_pid
    within 20 has_main_window "$old" || fail "$case: no window"
    within 30 timer2_done "$old" || fail "$case: Timer2 did not tick"
    case $case in
      not_executable) cp "$new_program" "$app/NewQuorvane.exe.part" && chmod 0644 "$app/NewQuorvane.exe.part" ;;
      broken) printf 'not a program\n' >"$app/NewQuorvane.exe.part" ;;
      ends_127) printf '#!/bin/sh\necho "error while loading shared libraries" >&2\nexit 127\n' >"$app/NewQuorvane.exe.part" ;;
      ends_0) printf '#!/bin/sh\nexit 0\n' >"$app/NewQuorvane.exe.part" ;;
    esac
    [[ $case == not_executable ]] || chmod 0755 "$app/NewQuorvane.exe.part"
    mv "$app/NewQuorvane.exe.part" "$app/NewQuorvane.exe"
    within 10 has_update_box "$old" || fail "$case: no announcement"
    announced="$(update_box_of "$old")"
    press_default "$announced"
    within 30 box_or_end "$old" "$announced" && running "$old" || fail "$case: the failure was not told"
    failure="$(update_box_of "$old")"
    has_main_window "$old" || fail "$case: the window did not come back"
    screenshot "$failure" "start-failure-$case.png"
    press_default "$failure"
    files_are "$app" "Quorvane.exe" || fail "$case: files after the failure: $(files_in "$app")"
    timer1_ticks_more "$old" 6 || fail "$case: Timer1 does not tick" # none tries again
    running "$old" && has_main_window "$old" || fail "$case: the program or its window is gone"
    [[ -z "$(update_box_of "$old")" ]] || fail "$case: another update box"
    kill -KILL "$old"
    # The next start, as the player would: the window, no announcement.
    start "$app/Quorvane.exe"
    within 20 has_main_window "$last_pid" || fail "$case: the next start shows no window"
    within 30 timer2_done "$last_pid" || fail "$case: the next start's Timer2 did not tick"
    timer1_ticks_more "$last_pid" 2 || fail "$case: the next start's Timer1 does not tick"
    [[ -z "$(update_box_of "$last_pid")" ]] || fail "$case: the next start shows an update box"
    kill -KILL "$last_pid"
  done
  echo "PASS: a new program that cannot be started or ends at once is told once and removed (start-failure-*.png)"
}

# True when process $2's temporary file of the new program in folder $1 has bytes.
download_began() { [[ -n "$(find "$1" -name ".NewQuorvane.exe.tmp-$2-*" -size +0)" ]]; }

# Starts the program in $app, answers Yes and waits for its download to begin;
# sets pid and box (the progress box).
start_download() {
  local prompt
  start "$app/Quorvane.exe"
  pid=$last_pid
  within 20 has_update_box "$pid" || fail "no update prompt"
  prompt="$(update_box_of "$pid")"
  press_default "$prompt"
  within 10 box_or_end "$pid" "$prompt" || fail "no progress box"
  box="$(update_box_of "$pid")"
  within 10 download_began "$app" "$pid" || fail "the download did not begin: $(files_in "$app")"
}

download() {
  local root="$work/server" app="$work/app" pid box first temporaries
  "$release_tool" publish 1.2 "$new_program" "$secret_key" "$root" >/dev/null
  echo "/Quorvane.exe trickle 100000" >"$root/.routes" # 5 MB: about 50 s
  serve "$root"
  mkdir "$app"
  cp "$program" "$app/Quorvane.exe"
  start_download
  first=$pid
  has_main_window "$first" && fail "the window was shown before the download"
  screenshot "$box" progress-box.png 1.5 # the bar a little way on

  # A second copy started meanwhile (no version file now) leaves the first
  # one's temporary files alone.
  echo "/Quorvane.exeVer.txt status 404" >>"$root/.routes"
  temporaries="$(files_in "$app" | grep -o "[^ ]*tmp-$first-[^ ]*" | xargs)"
  start "$app/Quorvane.exe"
  within 20 has_main_window "$last_pid" || fail "the second program shows no window"
  [[ "$(files_in "$app" | grep -o "[^ ]*tmp-$first-[^ ]*" | xargs)" == "$temporaries" ]] ||
    fail "the first program's temporary files changed: $temporaries -> $(files_in "$app")"
  kill -KILL "$last_pid" "$first"
  within 10 ended "$first" || fail "the first program did not end"

  # The next start removes what the killed download left, and makes no offer
  # from the stale version file beside it, as the server has none.
  printf '1.2\r\n' >"$app/Quorvane.execfu.tmp"
  echo "killed halfway: $(files_in "$app")"
  start "$app/Quorvane.exe"
  # An offer would come before the window.
  within 20 has_main_window "$last_pid" || fail "the next start shows no window"
  [[ -z "$(update_box_of "$last_pid")" ]] || fail "the next start made an offer"
  files_are "$app" "Quorvane.exe" || fail "left after the next start: $(files_in "$app")"
  kill -KILL "$last_pid"

  # Cancel in the progress box: nothing kept, no box, the old program goes on.
  echo "/Quorvane.exe trickle 100000" >"$root/.routes"
  start_download
  xdotool windowfocus --sync "$box" key --clearmodifiers Escape
  within 10 has_main_window "$pid" || fail "no window after Cancel"
  timer1_ticks_more "$pid" 2 || fail "Timer1 does not tick after Cancel"
  running "$pid" && [[ -z "$(update_box_of "$pid")" ]] || fail "a box or an end after Cancel"
  files_are "$app" "Quorvane.exe" || fail "left after Cancel: $(files_in "$app")"
  echo "PASS: a killed download is cleaned up at the next start, a running one's is not; Cancel keeps nothing"
}

case "$mode" in
  state-table) state_table ;;
  cycle) cycle ;;
  two-instances) two_instances ;;
  crash-steps) crash_steps ;;
  start-failure) start_failure ;;
  download) download ;;
  *) fail "unknown mode $mode" ;;
esac
