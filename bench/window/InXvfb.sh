# Sourced first by the benchmark scripts, as: source InXvfb.sh <default runs> "$@"
# Sets root, build (the build folder, build/default unless given) and runs,
# and runs the script again inside a fresh Xvfb unless it already runs in one.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$(cd "${2:-$root/build/default}" && pwd)"
runs="${3:-$1}"
if [[ -z "${TICKERLOOM_IN_XVFB:-}" ]]; then
  export TICKERLOOM_IN_XVFB=1
  exec xvfb-run -a -s "-noreset -screen 0 640x480x24" bash "$0" "$build" "$runs"
fi
