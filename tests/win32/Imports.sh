#!/bin/bash
# The built Quorvane.exe is one self-contained GUI program: it imports only
# DLLs that come with every Windows from 7 to 11 (no libstdc++, libgcc,
# winpthread, libgcrypt or OpenSSL DLL), and at least the ones named after it
# (user32.dll; winhttp.dll for the download when the build has the
# self-update).
# Usage: Imports.sh <objdump> <Quorvane.exe> [required DLL...]
set -euo pipefail
objdump="$1"
program="$2"
shift 2
headers="$("$objdump" -p "$program")"
grep -q '^Subsystem[[:space:]]*00000002' <<<"$headers" || {
  echo "FAIL: not a GUI (Windows subsystem) program"
  exit 1
}
imports="$(grep 'DLL Name:' <<<"$headers" | awk '{print $3}')"
echo "imports: $(echo $imports)"
for dll in $imports; do
  case "${dll,,}" in
    # The window, the files and processes, the clipboard and the shell, COM
    # for the accessible names, the C runtime; WinHTTP and UrlCombineW for the
    # download; libgcrypt's and libgpg-error's own needs (registry, sockets).
    kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | shell32.dll | ole32.dll | oleacc.dll | \
      msvcrt.dll | winhttp.dll | shlwapi.dll | advapi32.dll | ws2_32.dll) ;;
    *)
      echo "FAIL: imports $dll, which is not one of the DLLs this program may use"
      exit 1
      ;;
  esac
done
for required in user32.dll "$@"; do
  grep -qix "$required" <<<"$imports" || { echo "FAIL: does not import $required"; exit 1; }
done
echo "PASS: only Windows' own DLLs"
