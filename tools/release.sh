#!/bin/bash
# Cuts a release: builds the Linux program in Release mode and runs the tests
# against that build, cross-builds the Windows program, and writes one update
# directory per platform (version file, program and signature; the Linux one
# at the top, the Windows one in windows/) ready to upload to a static web
# server, and the Debian package (built without the self-update) beside them.
# Usage: tools/release.sh <secret key file> <output folder>
# The Windows program is the 32-bit one, which runs on 32- and 64-bit Windows.
# With TICKERLOOM_AUTHENTICODE_CERT (and _KEY, _PASSWORD_FILE,
# _TIMESTAMP_URL: tools/release/authenticode.sh) it is Authenticode-signed
# first; without, it is published unsigned, and that is said.
# The builds take their update server and public key from the release and
# windows-release presets (TICKERLOOM_UPDATE_BASE_URL, the Windows one ending
# in windows/; TICKERLOOM_UPDATE_PUBLIC_KEY); the secret key must be the one
# that belongs to that public key.
set -euo pipefail
if (($# != 2)); then
  echo "usage: tools/release.sh <secret key file> <output folder>" >&2
  exit 2
fi
secret_key="$(realpath "$1")"
output="$(realpath -m "$2")"
# The Authenticode files as named from where the release was started; one
# that is missing stops it here rather than after the builds.
for variable in TICKERLOOM_AUTHENTICODE_CERT TICKERLOOM_AUTHENTICODE_KEY \
  TICKERLOOM_AUTHENTICODE_PASSWORD_FILE; do
  if [[ -n "${!variable:-}" ]]; then
    path="$(realpath -e "${!variable}")"
    export "$variable=$path"
  fi
done
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash tools/deps.sh --test --windows
version="$(grep -oP 'kProgramVersion = "\K[0-9.]+' common/ProgramInfo.h)"

cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release
cmake --preset windows-release >/dev/null
cmake --build --preset windows-release
bash tests/win32/Imports.sh --format pei-i386 i686-w64-mingw32-objdump \
  build/windows-release/Quorvane.exe winhttp.dll
# Authenticode before the update's signature, which covers every byte of the
# program, the Authenticode signature included.
windows_program=build/windows-release/authenticode/Quorvane.exe
bash tools/release/authenticode.sh build/windows-release/Quorvane.exe "$windows_program"
bash tools/release/publish.sh build/release/tools/release/tickerloom-release "$version" \
  build/release/Quorvane.exe "$windows_program" "$secret_key" "$output"
# The package is built without the self-update: the package manager updates it.
cmake --preset package >/dev/null
cmake --build --preset package
(cd build/package && cpack -G DEB -B "$output/deb" >/dev/null)
echo "Tickerloom $version: upload $output/ and $output/windows/ (Quorvane.exe and Quorvane.exe.sig"
echo "first, Quorvane.exeVer.txt last, in each); the Debian package is in $output/deb."
