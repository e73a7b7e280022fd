#!/bin/bash
# Installs what is needed, cross-builds the Windows Quorvane.exe with
# mingw-w64 into build/windows/ and runs its tests under Wine, in Xvfb.
# --i686: the 32-bit program, the one that is released, into
# build/windows-i686/. Its tests need 32-bit Wine, which tools/wine32.sh
# installs where it can; where it cannot, the program alone is built and
# checked for its kind, its imports and its Authenticode signing, and the
# Windows tests have run on the 64-bit program only.
# Usage: tools/windows.sh [--i686]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

if [[ "${1:-}" != "--tests-in-xvfb" ]]; then
  preset=windows
  [[ "${1:-}" == --i686 ]] && preset=windows-i686
  bash tools/deps.sh --windows
  if [[ "$preset" == windows-i686 ]] && ! reason="$(bash tools/wine32.sh)"; then
    cmake --preset windows-i686 >/dev/null
    cmake --build --preset windows-i686 --target Quorvane
    program=build/windows-i686/Quorvane.exe
    bash tests/win32/Imports.sh --format pei-i386 i686-w64-mingw32-objdump "$program" winhttp.dll
    bash tests/win32/AuthenticodeSigning.sh tools/release/authenticode.sh "$program" \
      build/windows-i686/authenticode
    echo "32-bit Wine is not available: ${reason:-tools/wine32.sh stopped}; the Windows suite" \
      "runs on the x86_64 build only; the i686 exe was checked for its format and imports," \
      "and that it signs"
    exit 0
  fi
  # Configured after Wine is there: the build makes its prefix only then.
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  # The tests in an X server of their own: Wine draws its windows through X.
  exec xvfb-run -a -s "-noreset -screen 0 1024x768x24" \
    bash "${BASH_SOURCE[0]}" --tests-in-xvfb "$preset"
fi

# One Wine session for all the tests: a wineserver that stays up between
# them, ended when they are done. ctest sets up the rest (tests/win32). A
# session left from an earlier run may belong to an X server now gone.
preset="$2"
export WINEPREFIX="$root/build/$preset/wine-prefix" WINEDEBUG=-all
wineserver -k 2>/dev/null || true
wineserver -p >"$root/build/$preset/wineserver.log" 2>&1 </dev/null
trap 'wineserver -k' EXIT
ctest --preset "$preset"
