# The road of one request, sourced by the end-to-end runs of every build: the
# text "This Is A Sample Script", line size 10, script name "hello", key 2;
# and the same road for a Russian player.

advert_line="Say Visit WWW.ZELTRIN.EXAMPLE.COM for vembrisk, screenshots, trainers, EASY to follow TUTORIALS, special SCRIPT MAKING SOFTWARE and much more!!!"

# Fills in the window as a player would. Needs the caller's
# `click <left> <top> <width> <height>` (a control's place in twips).
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
# How a text gets into the focused box: typed; a caller may paste it instead.
put_text() { xdotool type --delay 20 "$1"; }
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
