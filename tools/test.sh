#!/bin/bash
# Installs what is needed, builds Tickerloom and runs the whole test suite:
# the tests, the same tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# every fuzz target for a bounded time, the Windows build with its tests under
# Wine, the 32-bit Windows build (its tests too where 32-bit Wine installs),
# and the static analysers.
# TICKERLOOM_FUZZ_SECONDS sets the time per fuzz target (default 30).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/tools/deps.sh" --test
cd "$root"

stage() { printf '\n==== %s\n' "$*"; }

stage "build and test"
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default

stage "build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

stage "fuzz"
bash "$root/tools/fuzz.sh" "${TICKERLOOM_FUZZ_SECONDS:-30}"

stage "Windows build (mingw-w64) and its tests under Wine"
bash "$root/tools/windows.sh"

stage "32-bit Windows build (mingw-w64 i686), the released program"
bash "$root/tools/windows.sh" --i686

stage "static analysis"
bash "$root/tools/analyse.sh"

stage "all passed"
