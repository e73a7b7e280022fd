#!/bin/bash
# Cuts a release: builds in Release mode, runs the tests against that build,
# and writes the update directory (version file, program and signature) ready
# to upload to a static web server, and the Debian package (built without the
# self-update) beside it.
# Usage: tools/release.sh <secret key file> <output folder>
# The release build takes its update server and public key from the release
# preset (TICKERLOOM_UPDATE_BASE_URL, TICKERLOOM_UPDATE_PUBLIC_KEY); the
# secret key must be the one that belongs to that public key.
set -euo pipefail
if (($# != 2)); then
  echo "usage: tools/release.sh <secret key file> <output folder>" >&2
  exit 2
fi
secret_key="$(realpath "$1")"
output="$(realpath -m "$2")"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash tools/deps.sh --test
version="$(grep -oP 'kProgramVersion = "\K[0-9.]+' common/ProgramInfo.h)"

cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release
build/release/tools/release/tickerloom-release publish "$version" build/release/Quorvane.exe \
  "$secret_key" "$output"
# The package is built without the self-update: the package manager updates it.
cmake --preset package >/dev/null
cmake --build --preset package
(cd build/package && cpack -G DEB -B "$output/deb" >/dev/null)
echo "Tickerloom $version: upload $output/Quorvane.exe, Quorvane.exe.sig, then Quorvane.exeVer.txt;"
echo "the Debian package is in $output/deb."
