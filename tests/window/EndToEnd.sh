#!/bin/bash
# Drives the built Quorvane.exe in a real X server, as a player would: fills in
# the window by mouse and keyboard, presses Make and compares every file
# written with the expected bytes. Run inside xvfb-run.
# Usage: EndToEnd.sh <Quorvane.exe> [screenshot.png]
set -euo pipefail
source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/RoadOfOneRequest.sh"
program="$1"
screenshot="${2:-}"

work="$(mktemp -d)"
pid=""
cleanup() {
  [[ -n "$pid" ]] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/run" "$work/expected"
cd "$work/run"

# Starts the program in the current folder and waits for its window.
# Optional: a file size limit in kB for the program; $locale, the program's
# LC_ALL.
start() {
  (
    [[ -n "${1:-}" ]] && ulimit -f "$1"
    [[ -n "${locale:-}" ]] && export LC_ALL="$locale" 2>/dev/null
    exec "$program" --unknown-option ignored
  ) 2>>"$work/stderr" &
  pid=$!
  window=""
  for _ in $(seq 100); do
    window="$(xdotool search --onlyvisible --name "^Zeltrin's Tickerloom\$" 2>/dev/null | head -1)" || true
    [[ -n "$window" ]] && break
    sleep 0.1
  done
  [[ -n "$window" ]] || { echo "FAIL: the window did not appear"; cat "$work/stderr"; exit 1; }
  [[ "$(xdotool getwindowname "$window")" == "Zeltrin's Tickerloom" ]]
  xdotool windowfocus --sync "$window"
  sleep 0.3
}
start

# Clicks the middle of a control, given its place in twips.
click() {
  local left=$1 top=$2 width=$3 height=$4
  xdotool mousemove --sync --window "$window" $(((left + width / 2) / 15)) $(((top + height / 2) / 15)) click 1
  sleep 0.1
}
fill_in_road_of_one_request
[[ -z "$(ls)" ]] || { echo "FAIL: files before Make: $(ls)"; exit 1; }
click 2760 480 1095 285  # ScriptMake

for _ in $(seq 100); do
  [[ -f autoexec.rul ]] && break
  sleep 0.1
done
sleep 0.3

if [[ -n "$screenshot" ]]; then
  import -window root -crop 264x113+0+0 "$screenshot"
fi

# The expected files, the same for every build.
write_road_of_one_request "$work/expected"

if ! diff -r "$work/expected" "$work/run"; then
  echo "FAIL: written files differ from the expected ones"
  exit 1
fi
kill -0 "$pid" || { echo "FAIL: the program ended"; exit 1; }
echo "PASS: 23 script files and autoexec.rul byte for byte"
kill "$pid"
wait "$pid" 2>/dev/null || true

# A Russian player: Cyrillic letters typed, files in Windows-1251.
mkdir "$work/russian" "$work/russian-expected"
cd "$work/russian"
locale=ru_RU.UTF-8 start
fill_in_russian_request
click 2760 480 1095 285 # ScriptMake
for _ in $(seq 100); do
  [[ -f autoexec.rul ]] && break
  sleep 0.1
done
write_russian_request "$work/russian-expected"
if ! diff -r "$work/russian-expected" "$work/russian"; then
  echo "FAIL: the Russian player's files differ from the expected ones"
  exit 1
fi
echo "PASS: a Russian player's 12 files in Windows-1251, named in Cyrillic"
kill "$pid"
wait "$pid" 2>/dev/null || true

# A full disk: the file size limit stops the rewrite of a large autoexec.rul.
# The program shows the error in a box and goes on; the old file stays whole.
mkdir "$work/full"
cd "$work/full"
head -c 3000 /dev/zero | tr '\0' 'x' >autoexec.rul
cp autoexec.rul "$work/autoexec.before"
start 2
click 600 120 2055 285
xdotool type --delay 20 "Full"
click 2760 120 1095 285
xdotool type --delay 20 "disk"
click 2760 480 1095 285
box=""
for _ in $(seq 50); do
  box="$(xdotool search --onlyvisible --name "^Tickerloom\$" 2>/dev/null | head -1)" || true
  [[ -n "$box" ]] && break
  sleep 0.1
done
[[ -n "$box" ]] || { echo "FAIL: no message box for the full disk"; exit 1; }
kill -0 "$pid" || { echo "FAIL: the program ended on the full disk"; exit 1; }
cmp autoexec.rul "$work/autoexec.before" || { echo "FAIL: autoexec.rul changed"; exit 1; }
[[ -f disk-4.rul ]] || { echo "FAIL: the script files were not written"; exit 1; }
echo "PASS: a full disk is reported and the program goes on"
