#!/bin/bash
# clang-tidy (checks in .clang-tidy) and cppcheck over the program's sources;
# fails on any finding. Needs the default build's compile_commands.json; the
# Windows backend is checked with the Windows build's, when there is one.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
[[ -f build/default/compile_commands.json ]] || cmake --preset default >/dev/null
# The Windows backend has its own pass below, with the Windows build's database.
windows_sources=$(git ls-files 'platform/win32/*.cpp' 'app/Win32Services.cpp')
sources=$(git ls-files 'common/*.cpp' 'generator/*.cpp' 'platform/*.cpp' 'window/*.cpp' 'update/*.cpp' \
  'app/*.cpp' 'tools/*.cpp' ':!platform/win32/*' ':!app/Win32Services.cpp')
echo "clang-tidy: $(echo "$sources" | wc -w) files"
echo "$sources" | xargs -P "$(nproc)" -n 4 clang-tidy-14 -p build/default --quiet 2>/dev/null
if [[ -f build/windows/compile_commands.json ]]; then
  # mingw-w64's headers, read as clang reads them for that target.
  gcc_include=/usr/lib/gcc/x86_64-w64-mingw32/12-posix/include/c++
  echo "clang-tidy (Windows build): $(echo "$windows_sources" | wc -w) files"
  echo "$windows_sources" | xargs -P "$(nproc)" -n 2 clang-tidy-14 -p build/windows --quiet \
    --extra-arg=--target=x86_64-w64-mingw32 --extra-arg=-isystem"$gcc_include" \
    --extra-arg=-isystem"$gcc_include/x86_64-w64-mingw32" 2>/dev/null
else
  echo "clang-tidy (Windows build): skipped, no build/windows (bash tools/windows.sh)"
fi
echo "cppcheck"
cppcheck --project=build/default/compile_commands.json --enable=warning,performance,portability \
  --error-exitcode=1 --inline-suppr -q -i build -i tests -i bench -i fuzz --suppress='*:/usr/*'
