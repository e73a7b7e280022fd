#!/bin/bash
# Installs what is needed, cross-builds the Windows Quorvane.exe with
# mingw-w64 into build/windows/ and runs its tests under Wine, in Xvfb.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

if [[ "${1:-}" != "--tests-in-xvfb" ]]; then
  bash tools/deps.sh --windows
  cmake --preset windows >/dev/null
  cmake --build --preset windows
  # The tests in an X server of their own: Wine draws its windows through X.
  exec xvfb-run -a -s "-noreset -screen 0 1024x768x24" bash "${BASH_SOURCE[0]}" --tests-in-xvfb
fi

# One Wine session for all the tests: a wineserver that stays up between
# them, ended when they are done. ctest sets up the rest (tests/win32). A
# session left from an earlier run may belong to an X server now gone.
export WINEPREFIX="$root/build/windows/wine-prefix" WINEDEBUG=-all
wineserver -k 2>/dev/null || true
wineserver -p >"$root/build/windows/wineserver.log" 2>&1 </dev/null
trap 'wineserver -k' EXIT
ctest --preset windows
