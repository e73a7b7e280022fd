#!/bin/bash
# Installs what is needed, builds Tickerloom and starts it. The program writes
# its scripts into the folder it is started from: run this from the game's
# folder (or copy build/default/Quorvane.exe there).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/tools/deps.sh"
(cd "$root" && cmake --preset default >/dev/null && cmake --build --preset default --target Quorvane)
exec "$root/build/default/Quorvane.exe"
