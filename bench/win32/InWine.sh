# Sourced first by the Windows benchmarks, as:
#   source InWine.sh <default runs> [Windows build folder] [Linux build folder] [runs]
# Sets root, build (build/windows-bench unless given), linux (build/default
# unless given, for window_map_time), runs, wine and work (a temporary
# folder), and runs the script again inside a fresh Xvfb unless it already
# runs in one. Wine runs in a prefix of the build's whose windows are managed,
# as on a desktop (their map is what window_map_time watches for), in one
# session whose services have started; the session and work end with the
# script, after the function cleanup_more when the script defines one.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$(cd "${2:-$root/build/windows-bench}" && pwd)"
linux="$(cd "${3:-$root/build/default}" && pwd)"
runs="${4:-$1}"
if [[ -z "${TICKERLOOM_IN_XVFB:-}" ]]; then
  export TICKERLOOM_IN_XVFB=1
  exec xvfb-run -a -s "-noreset -screen 0 640x480x24" bash "$0" "$build" "$linux" "$runs"
fi

wine=/usr/lib/wine/wine64
prefix="$build/wine-prefix-managed"
[[ -f "$prefix/tickerloom-ready" ]] ||
  bash "$root/tests/win32/MakeWinePrefix.sh" "$wine" "$prefix" --managed
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

work="$(mktemp -d)"
wineserver -p >"$work/wineserver.log" 2>&1 </dev/null
end_wine_session() {
  if declare -F cleanup_more >/dev/null; then cleanup_more; fi
  wineserver -k
  rm -rf "$work"
}
trap end_wine_session EXIT
# Wine's services start with the first program of a session; not measured.
"$wine" cmd /c exit >"$work/first.log" 2>&1 </dev/null
