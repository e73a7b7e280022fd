# The files the road of one request writes into an empty folder: the text
# "This Is A Sample Script", line size 10, script name "hello", key 2.
# Sourced by the end-to-end runs of every build, which compare the files the
# program wrote with these, byte for byte.
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
