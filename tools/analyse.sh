#!/bin/bash
# clang-tidy (checks in .clang-tidy) and cppcheck over the program's sources;
# fails on any finding. Needs the default build's compile_commands.json.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
[[ -f build/default/compile_commands.json ]] || cmake --preset default >/dev/null
sources=$(git ls-files 'common/*.cpp' 'generator/*.cpp' 'platform/*.cpp' 'window/*.cpp' 'update/*.cpp' \
  'app/*.cpp' 'tools/*.cpp')
echo "clang-tidy: $(echo "$sources" | wc -w) files"
echo "$sources" | xargs -P "$(nproc)" -n 4 clang-tidy-14 -p build/default --quiet 2>/dev/null
echo "cppcheck"
cppcheck --project=build/default/compile_commands.json --enable=warning,performance,portability \
  --error-exitcode=1 --inline-suppr -q -i build -i tests -i bench -i fuzz --suppress='*:/usr/*'
