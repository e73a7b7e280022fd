#!/bin/bash
# Drives the Windows Quorvane.exe under Wine in an X server, as a player
# would: fills in the window by mouse and keyboard, presses Make and compares
# every file written with the bytes the Linux build's run expects; then one
# input check, its box answered with Return; then closes the window.
# Needs DISPLAY and the tests' Wine session (WINEPREFIX, a running wineserver).
# Usage: EndToEnd.sh <wine64> <Quorvane.exe> [screenshot.png]
set -euo pipefail
source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../window/RoadOfOneRequest.sh"
wine="$1"
program="$2"
screenshot="${3:-}"

work="$(mktemp -d)"
pid=""
clipboard_pids=()
cleanup() {
  [[ -n "$pid" ]] && kill "$pid" 2>/dev/null || true
  ((${#clipboard_pids[@]})) && kill "${clipboard_pids[@]}" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/run" "$work/expected"
cd "$work/run"

fail() {
  echo "FAIL: $*"
  cat "$work/log" 2>/dev/null || true
  exit 1
}
# Polls for a visible window of that exact title, for up to a minute.
find_window() {
  local found=""
  for _ in $(seq 600); do
    found="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)" || true
    [[ -n "$found" ]] && break
    sleep 0.1
  done
  echo "$found"
}

"$wine" "$program" >"$work/log" 2>&1 </dev/null &
pid=$!
window="$(find_window "Zeltrin's Tickerloom")"
[[ -n "$window" ]] || fail "the window did not appear"
# Wine draws the frame itself (no window manager): the client area of
# 264 x 113 pixels sits inside the borders and below the title bar.
eval "$(xdotool getwindowgeometry --shell "$window")"
border=$(((WIDTH - 264) / 2))
title_bar=$((HEIGHT - 113 - 2 * border))
((border >= 0 && title_bar > 0)) || fail "unexpected window size ${WIDTH}x${HEIGHT}"
xdotool windowfocus --sync "$window"

# Clicks the middle of a control, given its place in twips.
click() {
  local left=$1 top=$2 width=$3 height=$4
  xdotool mousemove --sync --window "$window" $((border + (left + width / 2) / 15)) \
    $((border + title_bar + (top + height / 2) / 15)) click 1
  sleep 0.1
}
fill_in_road_of_one_request
[[ -z "$(ls)" ]] || fail "files before Make: $(ls)"
click 2760 480 1095 285 # ScriptMake

# autoexec.rul is renamed into place last, whole.
for _ in $(seq 600); do
  [[ -f autoexec.rul ]] && break
  sleep 0.1
done
write_road_of_one_request "$work/expected"
diff -r "$work/expected" "$work/run" || fail "written files differ from the Linux build's"
kill -0 "$pid" || fail "the program ended"
echo "PASS: 23 script files and autoexec.rul byte for byte as on Linux"

if [[ -n "$screenshot" ]]; then
  # Away from the controls, so that no tool-tip covers them.
  xdotool mousemove 600 600
  sleep 1
  eval "$(xdotool getwindowgeometry --shell "$window")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$screenshot"
fi

# An input check: key 9 is refused with a box, answered with Return; no
# file changes.
click 240 480 255 285 # ScriptBind
xdotool key ctrl+a
xdotool type --delay 20 "9"
click 2760 480 1095 285 # ScriptMake
box="$(find_window "Tickerloom")"
[[ -n "$box" ]] || fail "no message box for key 9"
if [[ -n "$screenshot" ]]; then
  eval "$(xdotool getwindowgeometry --shell "$box")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "${screenshot%.png}-box.png"
fi
xdotool windowfocus --sync "$box"
xdotool key Return
for _ in $(seq 600); do
  xdotool search --onlyvisible --name "^Tickerloom\$" >/dev/null 2>&1 || break
  sleep 0.1
done
xdotool search --onlyvisible --name "^Tickerloom\$" >/dev/null 2>&1 && fail "Return did not close the box"
kill -0 "$pid" || fail "the program ended after the box"
diff -r "$work/expected" "$work/run" || fail "the refused Make changed files"
echo "PASS: the key check's box is answered with Return and nothing changes"

# Closing the window ends the program.
xdotool windowfocus --sync "$window"
xdotool key alt+F4
for _ in $(seq 600); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program still runs after its window was closed"
wait "$pid" || fail "the program ended with exit code $?"
pid=""
echo "PASS: closing the window ends the program"

# A Russian player: Wine gives the program Windows-1251 as its ANSI code
# page (from LC_ALL, installed or not), and the files come out as on Linux.
mkdir "$work/russian" "$work/russian-expected"
cd "$work/russian"
LC_ALL=ru_RU.UTF-8 "$wine" "$program" >"$work/log" 2>&1 </dev/null &
pid=$!
window="$(find_window "Zeltrin's Tickerloom")"
[[ -n "$window" ]] || fail "the window did not appear under a Russian locale"
xdotool windowfocus --sync "$window"
# Wine drops the first letter xdotool types through a key it has just
# remapped, so the Cyrillic texts are pasted, as a player may paste them.
# xclip serves the clipboard from the background until the script ends.
put_text() {
  printf '%s' "$1" | xclip -selection clipboard -quiet >/dev/null 2>&1 &
  clipboard_pids+=($!)
  for _ in $(seq 600); do
    [[ "$(xclip -o -selection clipboard 2>/dev/null)" == "$1" ]] && break
    sleep 0.1
  done
  xdotool key ctrl+v
}
fill_in_russian_request
click 2760 480 1095 285 # ScriptMake
for _ in $(seq 600); do
  [[ -f autoexec.rul ]] && break
  sleep 0.1
done
write_russian_request "$work/russian-expected"
diff -r "$work/russian-expected" "$work/russian" || fail "the Russian player's files differ from Linux's"
echo "PASS: a Russian player's 12 files in Windows-1251, named in Cyrillic, as on Linux"
