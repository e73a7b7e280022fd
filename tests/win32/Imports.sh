#!/bin/bash
# The built Quorvane.exe is one self-contained GUI program: it imports only
# DLLs that come with every Windows from 7 to 11 (no libstdc++, libgcc,
# winpthread, libgcrypt or OpenSSL DLL), and at least the ones named after it
# (user32.dll; winhttp.dll for the download when the build has the
# self-update). --format also checks the kind of executable, as objdump names
# it: pei-i386 for the 32-bit program (the one released), pei-x86-64.
# Usage: Imports.sh [--format <kind>] <objdump> <Quorvane.exe> [required DLL...]
set -euo pipefail
format=""
if [[ "${1:-}" == --format ]]; then
  format="$2"
  shift 2
fi
objdump="$1"
program="$2"
shift 2
if [[ -n "$format" ]]; then
  kind="$("$objdump" -f "$program" | grep -oP 'file format \K\S+')"
  [[ "$kind" == "$format" ]] || {
    echo "FAIL: a $kind executable, not $format"
    exit 1
  }
  echo "format: $kind"
fi
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
