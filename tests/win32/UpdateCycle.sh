#!/bin/bash
# The Windows program's self-update between real processes under Wine, in an
# X server, driven by xdotool: copies of the test program (it asks
# http://127.0.0.1:PORT/ and trusts a throwaway key) in temporary folders.
#
#   cycle: Quorvane.exe (1.1) finds version 1.2 on a loopback server, the user
#     answers Yes (the download shows in the progress box) and presses OK,
#     and in the end the folder holds only Quorvane.exe, byte-identical to the
#     program served, running.
#   in-use: the new program finds Quorvane.exe held open by another process
#     (as Windows holds the file of a program that still runs; Wine does not):
#     when it is let go after a few seconds, the rename succeeds on a later
#     tick without a word; when it is held for good, one box tells so after
#     about 10 seconds, no other box follows and both files stay.
#   start-failure: a new program that ends at once (its library missing:
#     status 0xC0000135; or with its library, without a word: status 0) or
#     cannot be started at all (an empty file) is told once and removed; the old program goes on,
#     and its next start makes no announcement.
#   download: a download killed halfway leaves its temporary files, which the
#     next start removes (making no offer from the stale version file beside
#     them, as the server now has none); Cancel in the progress box keeps
#     nothing.
#
# Needs DISPLAY and the tests' Wine session (WINEPREFIX, a running wineserver).
# Usage: UpdateCycle.sh <mode> <wine loader> <test program> <release tool>
#          <secret key> <update_server.py> <port> <helper program> <screenshot folder>
#          <program that needs its library>
set -euo pipefail
mode="$1"
wine="$2"
program="$3"
release_tool="$4"
secret_key="$5"
server_script="$6"
port="$7"
helper="$8"
shots="$9"
needs_library="${10}"
its_library="$(dirname "$needs_library")/win32_its_library.dll"

work="$(realpath "$(mktemp -d)")"
server_pid=""
children=()
# The processes started with a program of folder $1 (as the hand-over starts
# the new program, by its full Windows path), found by their command line.
started_from() {
  local entry
  for entry in /proc/[0-9]*; do
    tr '\0' ' ' 2>/dev/null <"$entry/cmdline" | grep -qF "$(windows_path "$1")" && echo "${entry#/proc/}"
  done
  return 0
}
cleanup() {
  local pid
  for pid in "${children[@]}" $(started_from "$work"); do kill -KILL "$pid" 2>/dev/null || true; done
  [[ -n "$server_pid" ]] && kill "$server_pid" 2>/dev/null
  for pid in "${children[@]}" $server_pid; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "${BASH_SOURCE[0]}")/../support/UpdateProcesses.sh"

windows_path() { printf 'Z:%s' "${1//\//\\}"; }
# The visible windows titled exactly $1, one a line.
windows_titled() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true; }
main_window() { windows_titled "Zeltrin's Tickerloom" | head -n 1; }
has_main_window() { [[ -n "$(main_window)" ]]; }
no_main_window() { ! has_main_window; }
# An "Update" window other than the ones named after $1.
update_box() { windows_titled Update | grep -vxF -e "${1:-none}" -e "${2:-none}" | head -n 1; }
has_update_box() { [[ -n "$(update_box "$@")" ]]; }
ended() { ! kill -0 "$1" 2>/dev/null; }
# True when process $1 has ended or the main window, or an "Update" box, shows.
window_or_end() { ended "$1" || has_main_window; }
box_or_end() { ended "$1" || has_update_box; }
press_return() {
  xdotool windowfocus --sync "$1"
  xdotool key --clearmodifiers Return
}
# A picture of window $1 in the screenshot folder as $2, once the box has had
# a moment to draw itself: the pause is for the picture only.
screenshot() {
  sleep "${3:-0.3}"
  eval "$(xdotool getwindowgeometry --shell "$1")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$shots/$2"
}
# True when a temporary file of the new program in folder $1 has bytes.
download_began() { [[ -n "$(find "$1" -name '.NewQuorvane.exe.tmp-*' -size +0)" ]]; }

# Starts the Windows program $1 in its folder; sets last_pid. It, and the
# program it may start, add their handled timer ticks to a trace of this
# start's own (tests/support/TracingHook.h), so that the tests wait for
# ticks, not times.
starts=0
start() {
  trace="$work/trace-$((++starts))"
  (cd "$(dirname "$1")" &&
    exec env TICKERLOOM_TEST_TRACE="$(windows_path "$trace")" "$wine" "$(basename "$1")") \
    >>"$work/wine.log" 2>&1 </dev/null &
  children+=($!)
  last_pid=$!
}
# How many times the program running as $1 in the last start has traced
# event $2 ("Timer1", "Timer2").
ticks() {
  local count
  count="$(grep -c -x "[0-9]* $1 $2" "$trace" 2>/dev/null)" || true
  echo "${count:-0}"
}
timer2_done() { (($(ticks "$1" Timer2) > 0)); }
# Waits until the program running as $1 has handled $3 more ticks of timer $2.
ticks_more() {
  local target=$(($(ticks "$1" "$2") + $3))
  within 60 ticks_reached "$1" "$2" "$target"
}
ticks_reached() { (($(ticks "$1" "$2") >= $3)); }
# Holds file $1 open as a running program's file is held, until the marker
# file $2 (which the helper makes once it holds the file) goes.
hold() {
  "$wine" "$helper" hold "$(windows_path "$1")" "$(windows_path "$2")" \
    >>"$work/wine.log" 2>&1 </dev/null &
  children+=($!)
  within 30 test -e "$2" || fail "the helper does not hold $1"
}

cycle() {
  local root="$work/server" app="$work/app" old prompt box message=no
  "$release_tool" publish 1.2 "$new_program" "$secret_key" "$root" >/dev/null
  # Served once: the new program's own check then finds no version file. The
  # program trickles in over seconds, so that the progress box can be seen.
  printf '/Quorvane.exeVer.txt once\n/Quorvane.exe trickle 1000000\n' >"$root/.routes"
  serve "$root"
  mkdir "$app"
  cp "$program" "$app/Quorvane.exe"
  start "$app/Quorvane.exe"
  old=$last_pid
  within 60 has_update_box || fail "no update prompt"
  prompt="$(update_box)"
  has_main_window && fail "the window was shown before the check"
  files_are "$app" "Quorvane.exe Quorvane.execfu.tmp" ||
    fail "files during the prompt: $(files_in "$app")"
  screenshot "$prompt" update-prompt.png
  press_return "$prompt"

  # The download in its progress box (a picture of it when it is caught),
  # then the window; a Timer1 tick announces the download (OK pressed) or a
  # Timer2 tick hands over without a word.
  if within 30 has_update_box "$prompt"; then
    box="$(update_box "$prompt")"
    screenshot "$box" progress-box.png 0.5 2>/dev/null || true
  fi
  within 60 window_or_end "$old" || fail "no window after the download"
  within 30 box_or_end "$old" || fail "the old program neither announced the download nor ended"
  if ! ended "$old"; then
    files_are "$app" "NewQuorvane.exe Quorvane.exe" || fail "files after the download: $(files_in "$app")"
    message=yes
    box="$(update_box)"
    screenshot "$box" download-completed.png
    press_return "$box"
  fi
  within 30 ended "$old" || fail "the old program did not end"
  within 60 has_main_window || fail "the new program shows no window"
  within 30 files_are "$app" "Quorvane.exe" || fail "files in the end: $(files_in "$app")"
  cmp "$app/Quorvane.exe" "$root/Quorvane.exe" || fail "Quorvane.exe is not the program served"
  within 60 timer2_done NewQuorvane.exe || fail "the new program's Timer2 did not tick"
  ticks_more NewQuorvane.exe Timer1 1 || fail "the new program's Timer1 does not tick"
  has_main_window || fail "the new program ended"
  has_update_box && fail "the new program shows an update box"
  files_are "$app" "Quorvane.exe" || fail "files later: $(files_in "$app")"
  local requests
  requests="$(xargs <"$root/.requests")"
  [[ "$requests" == "/Quorvane.exeVer.txt /Quorvane.exe /Quorvane.exe.sig /Quorvane.exeVer.txt" ]] ||
    fail "requests: $requests"
  echo "PASS: the whole update cycle under Wine (message shown: $message)"
}

in_use() {
  local app box
  # Let go after a few seconds: a later tick renames, without a word.
  app="$work/released"
  mkdir "$app"
  cp "$program" "$app/Quorvane.exe"
  cp "$new_program" "$app/NewQuorvane.exe"
  hold "$app/Quorvane.exe" "$work/released.held"
  start "$app/NewQuorvane.exe"
  within 60 has_main_window || fail "released: the new program shows no window"
  ticks_more NewQuorvane.exe Timer2 3 || fail "released: Timer2 does not tick" # finding it in use
  files_are "$app" "NewQuorvane.exe Quorvane.exe" || fail "released: files $(files_in "$app")"
  rm "$work/released.held"
  within 30 files_are "$app" "Quorvane.exe" || fail "released: files $(files_in "$app")"
  is_new "$app/Quorvane.exe" || fail "released: Quorvane.exe is not the new program"
  has_update_box && fail "released: an update box"
  kill -KILL "$last_pid"
  within 30 no_main_window || fail "released: the window stays"
  echo "PASS: Quorvane.exe let go while the new program tries: it takes the place on a later tick"

  # Held for good: told once after about 10 seconds, then nothing more.
  app="$work/held"
  mkdir "$app"
  cp "$program" "$app/Quorvane.exe"
  cp "$new_program" "$app/NewQuorvane.exe"
  hold "$app/Quorvane.exe" "$work/held.held"
  start "$app/NewQuorvane.exe"
  within 60 has_main_window || fail "held: the new program shows no window"
  within 60 has_update_box || fail "held: no box"
  box="$(update_box)"
  files_are "$app" "NewQuorvane.exe Quorvane.exe" || fail "held: files $(files_in "$app")"
  screenshot "$box" in-use.png
  press_return "$box"
  ticks_more NewQuorvane.exe Timer1 6 || fail "held: Timer1 does not tick" # none tries again
  has_update_box && fail "held: another box"
  has_main_window || fail "held: the new program ended"
  files_are "$app" "NewQuorvane.exe Quorvane.exe" || fail "held: files $(files_in "$app")"
  is_new "$app/Quorvane.exe" && fail "held: Quorvane.exe was replaced"
  echo "PASS: Quorvane.exe held for good: told once (in-use.png), both files stay"
}

start_failure() {
  local case app old announced failure
  for case in no_library ends_0 empty; do
    app="$work/$case"
    mkdir "$app"
    cp "$program" "$app/Quorvane.exe"
    start "$app/Quorvane.exe"
    old=$last_pid
    within 60 has_main_window || fail "$case: no window"
    within 60 timer2_done Quorvane.exe || fail "$case: Timer2 did not tick"
    case $case in
      no_library) cp "$needs_library" "$app/NewQuorvane.exe.part" ;;
      ends_0) cp "$needs_library" "$app/NewQuorvane.exe.part" && cp "$its_library" "$app/" ;;
      empty) : >"$app/NewQuorvane.exe.part" ;;
    esac
    mv "$app/NewQuorvane.exe.part" "$app/NewQuorvane.exe"
    within 30 has_update_box || fail "$case: no announcement"
    announced="$(update_box)"
    press_return "$announced"
    within 30 has_update_box "$announced" || fail "$case: the failure was not told"
    failure="$(update_box "$announced")"
    ended "$old" && fail "$case: the old program ended"
    has_main_window || fail "$case: the window did not come back"
    screenshot "$failure" "start-failure-$case.png"
    press_return "$failure"
    files_are "$app" "Quorvane.exe$([[ $case == ends_0 ]] && echo " win32_its_library.dll")" ||
      fail "$case: files after the failure: $(files_in "$app")"
    ticks_more Quorvane.exe Timer1 6 || fail "$case: Timer1 does not tick" # none tries again
    has_update_box && fail "$case: another update box"
    kill -KILL "$old"
    within 30 no_main_window || fail "$case: the window stays"
    # The next start, as the player would: the window, no announcement.
    start "$app/Quorvane.exe"
    within 60 has_main_window || fail "$case: the next start shows no window"
    within 60 timer2_done Quorvane.exe || fail "$case: the next start's Timer2 did not tick"
    ticks_more Quorvane.exe Timer1 2 || fail "$case: the next start's Timer1 does not tick"
    has_update_box && fail "$case: the next start shows an update box"
    kill -KILL "$last_pid"
    within 30 no_main_window || fail "$case: the window stays"
  done
  echo "PASS: a new program that ends at once or cannot be started is told once and removed"
}

download() {
  local root="$work/server" app="$work/app" pid prompt box
  "$release_tool" publish 1.2 "$new_program" "$secret_key" "$root" >/dev/null
  echo "/Quorvane.exe trickle 100000" >"$root/.routes" # about 30 s
  serve "$root"
  mkdir "$app"
  cp "$program" "$app/Quorvane.exe"

  start "$app/Quorvane.exe"
  pid=$last_pid
  within 60 has_update_box || fail "no update prompt"
  prompt="$(update_box)"
  press_return "$prompt"
  within 30 download_began "$app" || fail "the download did not begin: $(files_in "$app")"
  kill -KILL "$pid"
  within 30 ended "$pid" || fail "the program was not killed"
  # The server has no version file now; a stale local copy says 1.2.
  echo "/Quorvane.exeVer.txt status 404" >>"$root/.routes"
  printf '1.2\r\n' >"$app/Quorvane.execfu.tmp"
  echo "killed halfway: $(files_in "$app")"
  [[ "$(files_in "$app")" == *.NewQuorvane.exe.tmp-* ]] || fail "no temporary files were left"
  start "$app/Quorvane.exe"
  pid=$last_pid
  within 60 has_main_window || fail "the next start shows no window"
  within 60 timer2_done Quorvane.exe || fail "the next start's Timer2 did not tick"
  has_update_box && fail "the next start made an offer"
  files_are "$app" "Quorvane.exe" || fail "left after the next start: $(files_in "$app")"
  kill -KILL "$pid"
  within 30 no_main_window || fail "the window stays"

  # Cancel in the progress box: nothing kept, no box, the old program goes on.
  echo "/Quorvane.exe trickle 100000" >"$root/.routes"
  start "$app/Quorvane.exe"
  pid=$last_pid
  within 60 has_update_box || fail "no update prompt"
  prompt="$(update_box)"
  press_return "$prompt"
  within 30 has_update_box "$prompt" || fail "no progress box"
  box="$(update_box "$prompt")"
  within 30 download_began "$app" || fail "the download did not begin: $(files_in "$app")"
  xdotool windowfocus --sync "$box" key --clearmodifiers Escape
  within 30 has_main_window || fail "no window after Cancel"
  within 30 files_are "$app" "Quorvane.exe" || fail "left after Cancel: $(files_in "$app")"
  ticks_more Quorvane.exe Timer1 2 || fail "Timer1 does not tick after Cancel"
  ended "$pid" && fail "the program ended after Cancel"
  has_update_box && fail "a box after Cancel"
  echo "PASS: a killed download is cleaned up at the next start; Cancel keeps nothing"
}

case "$mode" in
  cycle) cycle ;;
  in-use) in_use ;;
  start-failure) start_failure ;;
  download) download ;;
  *) fail "unknown mode $mode" ;;
esac
