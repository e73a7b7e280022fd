#!/bin/bash
# Writes the update directories of a release, one for each platform's program
# so that neither platform is ever offered the other's, signed with one key:
#   <out>/          the Linux program (where installed Linux programs look:
#                   TICKERLOOM_UPDATE_BASE_URL of the release preset)
#   <out>/windows/  the Windows program (the windows-release preset's address;
#                   update/ServerFiles.h names the directory)
# each holding Quorvane.exeVer.txt, Quorvane.exe and Quorvane.exe.sig. A
# program of the wrong kind for its directory is refused before anything is
# written.
# Usage: publish.sh <release tool> <version> <Linux Quorvane.exe> <Windows Quorvane.exe>
#          <secret key file> <out>
set -euo pipefail
if (($# != 6)); then
  echo "usage: publish.sh <release tool> <version> <Linux program> <Windows program> <secret key> <out>" >&2
  exit 2
fi
tool="$1"
version="$2"
linux_program="$3"
windows_program="$4"
secret_key="$5"
out="$6"

# ELF for Linux, PE (MZ) for Windows.
[[ "$(head -c 4 "$linux_program" | od -An -tx1 | tr -d ' \n')" == 7f454c46 ]] ||
  { echo "publish.sh: $linux_program is no Linux program" >&2; exit 1; }
[[ "$(head -c 2 "$windows_program")" == MZ ]] ||
  { echo "publish.sh: $windows_program is no Windows program" >&2; exit 1; }

windows_directory="$(grep -oP 'kWindowsDirectory = "\K[^"]+' \
  "$(dirname "${BASH_SOURCE[0]}")/../../update/ServerFiles.h")"
"$tool" publish "$version" "$linux_program" "$secret_key" "$out"
"$tool" publish "$version" "$windows_program" "$secret_key" "$out/${windows_directory%/}"
