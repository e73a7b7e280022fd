#!/bin/bash
# Builds the Debian package from the package preset (no self-update: the
# package manager updates it), installs it into a scratch root with dpkg,
# checks what it installed, starts the installed program under Xvfb and waits
# for its window, and runs lintian on the package (any error fails).
# Usage: deb_test.sh <source folder>
set -euo pipefail
source="$(cd "$1" && pwd)"
(cd "$source" && cmake --preset package >/dev/null && cmake --build --preset package)
build="$source/build/package"
work="$(mktemp -d)"
app_pid=""
cleanup() {
  [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

(cd "$build" && cpack -G DEB -B "$work/package" >/dev/null)
deb="$(ls "$work"/package/tickerloom_*_amd64.deb)"

root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --log=/dev/null --force-depends --force-script-chrootless -i "$deb" >/dev/null
dpkg --root="$root" -s tickerloom | grep -q '^Status: install ok installed'

for file in usr/bin/Quorvane.exe usr/share/applications/tickerloom.desktop \
    usr/share/icons/hicolor/32x32/apps/tickerloom.png usr/share/icons/hicolor/64x64/apps/tickerloom.png \
    usr/share/icons/hicolor/128x128/apps/tickerloom.png usr/share/doc/tickerloom/copyright \
    usr/share/man/man1/Quorvane.exe.1.gz; do
  [[ -f "$root/$file" ]] || { echo "missing from the package: $file"; exit 1; }
done
file "$root/usr/share/icons/hicolor/32x32/apps/tickerloom.png" | grep -q "32 x 32"
# Without the self-update: no download or signature library, no update server.
if readelf -d "$root/usr/bin/Quorvane.exe" | grep -E "NEEDED.*(libcurl|libsodium)"; then
  echo "the packaged program can update itself"
  exit 1
fi
if grep -q "Quorvane.exeVer.txt" "$root/usr/bin/Quorvane.exe"; then
  echo "the packaged program asks for updates"
  exit 1
fi
zcat "$root/usr/share/man/man1/Quorvane.exe.1.gz" | grep -q "package manager"
desktop-file-validate --no-hints "$root/usr/share/applications/tickerloom.desktop"

# The installed program opens its window, started from a game folder.
game="$work/game"
mkdir -p "$game"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
cat >"$work/run.sh" <<RUN
#!/bin/bash
cd "$game"
"$root/usr/bin/Quorvane.exe" &
pid=\$!
for _ in \$(seq 1 200); do
  if xdotool search --name "^Zeltrin's Tickerloom\$" >/dev/null 2>&1; then
    kill \$pid; wait \$pid 2>/dev/null; exit 0
  fi
  kill -0 \$pid 2>/dev/null || { echo "the installed program ended early"; exit 1; }
  sleep 0.1
done
kill \$pid; echo "no window within 20 s"; exit 1
RUN
chmod +x "$work/run.sh"
xvfb-run -a -s "-noreset -screen 0 800x600x24" "$work/run.sh"

lintian_report="$(lintian "$deb" 2>/dev/null || true)"
echo "lintian: ${lintian_report:-no findings}"
if grep -q '^E:' <<<"$lintian_report"; then exit 1; fi
echo "package installs, opens its window and passes lintian"
