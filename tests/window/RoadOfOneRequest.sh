# The road of one request, sourced by the end-to-end runs of every build: the
# text "This Is A Sample Script", line size 10, script name "hello", key 2.

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
  printf '%s\r\n\r\n%s\r\n' \
    "Say Visit WWW.ZELTRIN.EXAMPLE.COM for vembrisk, screenshots, trainers, EASY to follow TUTORIALS, special SCRIPT MAKING SOFTWARE and much more!!!" \
    'Bind F2 "execrul hello-1.rul"' >"$folder/autoexec.rul"
}
