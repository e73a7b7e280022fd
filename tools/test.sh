#!/bin/bash
# Installs what is needed, builds Tickerloom and runs the whole test suite.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/tools/deps.sh" --test
cd "$root"
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default
