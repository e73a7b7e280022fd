# Waiting on something observable in the tests between real processes: never
# for a fixed time, always for a state, with a deadline generous enough for a
# busy machine.

# Runs "$@" every 0.1 s until it succeeds; returns 1 after $1 seconds.
within() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}
