#!/bin/bash
# Drives the built Quorvane.exe in a real X server, as a player would: fills in
# the window by mouse and keyboard, presses Make and compares every file
# written with the expected bytes. Run inside xvfb-run. Every wait is for a
# state (a window, a file), never for a time: X delivers the clicks and keys
# to the program in the order they are sent.
# Usage: EndToEnd.sh <Quorvane.exe> [screenshot.png]
set -euo pipefail
source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/RoadOfOneRequest.sh"
program="$1"
screenshot="${2:-}"

# Starts the program in a new folder $1 of the work folder, made the current
# one, and waits for its window. Optional: a file size limit in kB for the
# program; $locale, the program's LC_ALL.
start() {
  mkdir "$work/$1"
  cd "$work/$1"
  (
    [[ -n "${2:-}" ]] && ulimit -f "$2"
    [[ -n "${locale:-}" ]] && export LC_ALL="$locale" 2>/dev/null
    exec "$program" --unknown-option ignored
  ) 2>>"$work/log" &
  pid=$!
  within 60 find_window "Zeltrin's Tickerloom" || fail "the window did not appear"
  xdotool windowfocus --sync "$window"
}
# Ends the program started last.
stop() {
  kill -0 "$pid" || fail "the program ended"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}

start run
fill_in_road_of_one_request
[[ -z "$(ls)" ]] || fail "files before Make: $(ls)"
make_and_wait
if [[ -n "$screenshot" ]]; then
  import -window root -crop 264x113+0+0 "$screenshot"
fi
# The expected files, the same for every build.
mkdir "$work/expected"
write_road_of_one_request "$work/expected"
diff -r "$work/expected" "$work/run" || fail "written files differ from the expected ones"
stop
echo "PASS: 23 script files and autoexec.rul byte for byte"

# A Russian player: Cyrillic letters pasted, files in Windows-1251.
locale=ru_RU.UTF-8 start russian
fill_in_russian_request
make_and_wait
mkdir "$work/russian-expected"
write_russian_request "$work/russian-expected"
diff -r "$work/russian-expected" "$work/russian" || fail "the Russian player's files differ"
stop
echo "PASS: a Russian player's 12 files in Windows-1251, named in Cyrillic"

# A full disk: the file size limit stops the rewrite of a large autoexec.rul.
# The program shows the error in a box and goes on; the old file stays whole.
head -c 3000 /dev/zero | tr '\0' 'x' >"$work/autoexec.before"
start full-disk 2
cp "$work/autoexec.before" autoexec.rul
click 600 120 2055 285
xdotool type --delay 20 "Full"
click 2760 120 1095 285
xdotool type --delay 20 "disk"
click 2760 480 1095 285
main_window="$window"
within 60 find_window "Tickerloom" || fail "no message box for the full disk"
kill -0 "$pid" || fail "the program ended on the full disk"
cmp autoexec.rul "$work/autoexec.before" || fail "autoexec.rul changed"
[[ -f disk-4.rul ]] || fail "the script files were not written"
window="$main_window"
stop
echo "PASS: a full disk is reported and the program goes on"
