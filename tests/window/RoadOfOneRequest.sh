# The road of one request, sourced by the end-to-end runs of every build: the
# text "This Is A Sample Script", line size 10, script name "hello", key 2;
# and the same road for a Russian player. Sourcing it makes the run's work
# folder, whose log `fail` shows, and ends the program started last ($pid)
# when the run ends.

source "$(dirname "${BASH_SOURCE[0]}")/../support/Within.sh"

work="$(mktemp -d)"
pid=""
cleanup() {
  [[ -n "$pid" ]] && kill "$pid" 2>/dev/null || true
  stop_clipboard
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  cat "$work/log" 2>/dev/null || true
  exit 1
}

# The player's hands, for the caller's `fail`. find_window <title> sets
# window to a visible window of exactly that title; click <left> <top>
# <width> <height> clicks the middle of a control of $window given its place
# in twips, the client area starting at $client_x, $client_y in the window.
# No waits between them: X hands the clicks and keys to the program in the
# order they are sent.
client_x=0
client_y=0
find_window() {
  window="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)"
  [[ -n "$window" ]]
}
click() {
  local left=$1 top=$2 width=$3 height=$4
  xdotool mousemove --sync --window "$window" $((client_x + (left + width / 2) / 15)) \
    $((client_y + (top + height / 2) / 15)) click 1
}
# Presses Make and waits for autoexec.rul, which is renamed into place last.
make_and_wait() {
  click 2760 480 1095 285 # ScriptMake
  within 60 test -f autoexec.rul || fail "no autoexec.rul after Make"
}

advert_line="Say Visit WWW.ZELTRIN.EXAMPLE.COM for vembrisk, screenshots, trainers, EASY to follow TUTORIALS, special SCRIPT MAKING SOFTWARE and much more!!!"

# Fills in the window as a player would.
fill_in_road_of_one_request() {
  click 600 120 2055 285 # ScriptText
  xdotool type --delay 20 "This Is A Sample Script"
  click 1680 960 975 285 # ScriptLine, holding "1"
  xdotool key ctrl+a
  xdotool type --delay 20 "10"
  click 2760 120 1095 285 # ScriptName
  xdotool type --delay 20 "hello"
  # ScriptBind keeps its "2".
}

# The files the road writes into an empty folder, to compare byte for byte.
# Usage: write_road_of_one_request <folder>
write_road_of_one_request() {
  local folder="$1" scroll="This Is A Sample ScriptThis Is A" i target
  for i in $(seq 23); do
    target=$((i < 23 ? i + 1 : 1))
    printf 'Bind F2 "execrul hello-%d.rul"\r\nSay %s\r\n' "$target" "${scroll:i-1:10}" \
      >"$folder/hello-$i.rul"
  done
  printf '%s\r\n\r\n%s\r\n' "$advert_line" 'Bind F2 "execrul hello-1.rul"' >"$folder/autoexec.rul"
}

# A Russian player on a Windows-1251 system (the program started with
# LC_ALL=ru_RU.UTF-8) with no game's string table in the folder: Cyrillic
# text and script name, line size 5, key 2.
russian_text="Привет, мир!"
russian_name="тест"
# Pastes a text into the focused box: xdotool types letters beyond the
# keyboard's by remapping a key, and the toolkits (Qt, Wine) may read the key
# before the new mapping, dropping the letter. xclip serves the clipboard from
# the background until stop_clipboard.
clipboard_pids=()
put_text() {
  printf '%s' "$1" | xclip -selection clipboard -quiet >/dev/null 2>&1 &
  clipboard_pids+=($!)
  within 60 clipboard_holds "$1" || fail "the clipboard did not take the text"
  xdotool key ctrl+v
}
clipboard_holds() { [[ "$(xclip -o -selection clipboard 2>/dev/null)" == "$1" ]]; }
stop_clipboard() {
  ((${#clipboard_pids[@]} == 0)) || kill "${clipboard_pids[@]}" 2>/dev/null || true
}
fill_in_russian_request() {
  click 600 120 2055 285 # ScriptText
  put_text "$russian_text"
  click 1680 960 975 285 # ScriptLine
  xdotool key ctrl+a
  xdotool type --delay 20 "5"
  click 2760 120 1095 285 # ScriptName
  put_text "$russian_name"
}

# Its files: named in UTF-8 on disk (the game opens them through the system's
# code page), every byte inside in Windows-1251.
# Usage: write_russian_request <folder>
write_russian_request() (
  export LC_ALL=C.UTF-8 # characters, not bytes, in the substrings below
  local folder="$1" scroll="$russian_text${russian_text:0:4}" i target
  for i in $(seq 12); do
    target=$((i < 12 ? i + 1 : 1))
    printf 'Bind F2 "execrul %s-%d.rul"\r\nSay %s\r\n' "$russian_name" "$target" "${scroll:i-1:5}" |
      iconv -f UTF-8 -t CP1251 >"$folder/$russian_name-$i.rul"
  done
  printf '%s\r\n\r\n%s\r\n' "$advert_line" "Bind F2 \"execrul $russian_name-1.rul\"" |
    iconv -f UTF-8 -t CP1251 >"$folder/autoexec.rul"
)
