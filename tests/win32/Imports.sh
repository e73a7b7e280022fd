#!/bin/bash
# The built Quorvane.exe is one self-contained GUI program: it imports only
# DLLs that come with Windows (no libstdc++, libgcc or winpthread DLL).
# Usage: Imports.sh <objdump> <Quorvane.exe>
set -euo pipefail
objdump="$1"
program="$2"
headers="$("$objdump" -p "$program")"
grep -q '^Subsystem[[:space:]]*00000002' <<<"$headers" || {
  echo "FAIL: not a GUI (Windows subsystem) program"
  exit 1
}
imports="$(grep 'DLL Name:' <<<"$headers" | awk '{print $3}')"
echo "imports: $(echo $imports)"
for dll in $imports; do
  case "${dll,,}" in
    kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | shell32.dll | ole32.dll | oleaut32.dll | \
      oleacc.dll | advapi32.dll | msvcrt.dll | version.dll | winhttp.dll | ws2_32.dll) ;;
    *)
      echo "FAIL: imports $dll, which does not come with Windows"
      exit 1
      ;;
  esac
done
grep -qi 'user32.dll' <<<"$imports" || { echo "FAIL: no import list read"; exit 1; }
echo "PASS: only Windows' own DLLs"
