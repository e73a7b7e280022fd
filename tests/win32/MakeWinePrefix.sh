#!/bin/bash
# Makes the Wine prefix the Windows tests run in, inside the build folder.
# --managed leaves Wine's windows to a window manager, as on a desktop (the
# start-up benchmark watches for the map of a managed window). WINEARCH, when
# set, chooses the prefix's kind of Windows (win32 for the 32-bit build).
# Usage: MakeWinePrefix.sh <wine loader> <prefix folder> [--managed]
set -euo pipefail
wine="$1"
prefix="$2"
managed="${3:-}"
fonts=/usr/share/wine/fonts
if [[ ! -f "$fonts/tahoma.ttf" ]]; then
  echo "MakeWinePrefix: $fonts has no Tahoma: install the Debian package fonts-wine" >&2
  exit 1
fi
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
log="$prefix.log"
wineserver -k 2>/dev/null || true
rm -rf "$prefix"
# Wine's own programs start services that keep their output open: files, not pipes.
"$wine" wineboot --init >"$log" 2>&1 </dev/null
# Xvfb has no window manager: Wine draws the frames itself (a managed window
# would wait seconds for a manager on every close).
if [[ "$managed" != "--managed" ]]; then
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$log" 2>&1 </dev/null
fi
# Wine's own fonts where Windows programs look for them; without them
# "MS Sans Serif" and Tahoma fall back to other families.
cp "$fonts"/* "$prefix/drive_c/windows/Fonts/"
wineserver -w
touch "$prefix/tickerloom-ready"
