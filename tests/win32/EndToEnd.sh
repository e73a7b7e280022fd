#!/bin/bash
# Drives the Windows Quorvane.exe under Wine in an X server, as a player
# would: fills in the window by mouse and keyboard, presses Make and compares
# every file written with the bytes the Linux build's run expects; then one
# input check, its box answered with Return; then closes the window; then a
# Russian player's road. Every wait is for a state (a window, a file, the
# program's end), never for a time.
# Needs DISPLAY and the tests' Wine session (WINEPREFIX, a running wineserver).
# Usage: EndToEnd.sh <wine loader> <Quorvane.exe> [screenshot.png]
set -euo pipefail
source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../window/RoadOfOneRequest.sh"
wine="$1"
program="$2"
screenshot="${3:-}"
no_box() { ! find_window "Tickerloom"; }
program_ended() { ! kill -0 "$pid" 2>/dev/null; }
# Wine's tool-tips are the program's only visible windows without a title.
no_tool_tip() {
  local shown
  for shown in $(xdotool search --onlyvisible --class '^quorvane\.exe$' 2>/dev/null); do
    [[ -z "$(xdotool getwindowname "$shown")" ]] && return 1
  done
  return 0
}

# Starts the program in a new folder $1 of the work folder, made the current
# one, with the environment settings that follow (NAME=VALUE), and waits for
# its window. Wine draws the frame itself (no window manager): the client
# area of 264 x 113 pixels sits inside the borders and below the title bar.
start() {
  mkdir "$work/$1"
  cd "$work/$1"
  env "${@:2}" "$wine" "$program" >"$work/log" 2>&1 </dev/null &
  pid=$!
  within 60 find_window "Zeltrin's Tickerloom" || fail "the window did not appear"
  eval "$(xdotool getwindowgeometry --shell "$window")"
  client_x=$(((WIDTH - 264) / 2))
  client_y=$((HEIGHT - 113 - client_x))
  ((client_x >= 0 && client_y > client_x)) || fail "unexpected window size ${WIDTH}x${HEIGHT}"
  xdotool windowfocus --sync "$window"
}

start run
fill_in_road_of_one_request
[[ -z "$(ls)" ]] || fail "files before Make: $(ls)"
make_and_wait
mkdir "$work/expected"
write_road_of_one_request "$work/expected"
diff -r "$work/expected" "$work/run" || fail "written files differ from the Linux build's"
kill -0 "$pid" || fail "the program ended"
echo "PASS: 23 script files and autoexec.rul byte for byte as on Linux"

if [[ -n "$screenshot" ]]; then
  # Away from the controls, so that no tool-tip covers them; the picture
  # waits for the tool-tip to go, which the test does not.
  xdotool mousemove 600 600
  within 10 no_tool_tip || true
  eval "$(xdotool getwindowgeometry --shell "$window")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$screenshot"
fi

# An input check: key 9 is refused with a box, answered with Return; no
# file changes.
main_window="$window"
click 240 480 255 285 # ScriptBind
xdotool key ctrl+a
xdotool type --delay 20 "9"
click 2760 480 1095 285 # ScriptMake
within 60 find_window "Tickerloom" || fail "no message box for key 9"
if [[ -n "$screenshot" ]]; then
  eval "$(xdotool getwindowgeometry --shell "$window")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "${screenshot%.png}-box.png"
fi
xdotool windowfocus --sync "$window"
xdotool key Return
within 60 no_box || fail "Return did not close the box"
kill -0 "$pid" || fail "the program ended after the box"
diff -r "$work/expected" "$work/run" || fail "the refused Make changed files"
echo "PASS: the key check's box is answered with Return and nothing changes"

# Closing the window ends the program.
xdotool windowfocus --sync "$main_window"
xdotool key alt+F4
within 60 program_ended || fail "the program still runs after its window was closed"
wait "$pid" || fail "the program ended with exit code $?"
pid=""
echo "PASS: closing the window ends the program"

# A Russian player: Wine gives the program Windows-1251 as its ANSI code
# page (from LC_ALL), and the files come out as on Linux. Wine names files
# in the locale's character set: the locale must be installed
# (tools/deps.sh --windows).
start russian LC_ALL=ru_RU.UTF-8
fill_in_russian_request
make_and_wait
mkdir "$work/russian-expected"
write_russian_request "$work/russian-expected"
diff -r "$work/russian-expected" "$work/russian" || fail "the Russian player's files differ from Linux's"
echo "PASS: a Russian player's 12 files in Windows-1251, named in Cyrillic, as on Linux"
