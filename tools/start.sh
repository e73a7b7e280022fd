#!/bin/bash
# Installs what is needed, builds Tickerloom and starts it in the current folder.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/tools/deps.sh"
cmake --preset default -S "$root" >/dev/null
cmake --build --preset default
exec "$root/build/default/Quorvane.exe"
