#!/bin/bash
# Makes 32-bit Wine (Debian's wine32, of the i386 architecture) available to
# the tests of the 32-bit Windows program, when it can be. Whether it can is a
# matter of the machine and its mirror (an i386 index that does not download,
# amd64 libraries at versions the i386 side lacks), so it is asked first with
# package lists of its own and a simulated install, which change nothing on
# the system; only when that succeeds is the i386 architecture added and
# wine32 installed, and should that still fail, the architecture is taken
# away again (with it every later apt-get update would fail on the same
# index). apt runs without prompts and, where it downloads, with time limits.
# Exits 0 when Wine's 32-bit loader runs; else prints why not on one line and
# exits 1. --dry-run only asks, and installs nothing.
# Usage: tools/wine32.sh [--dry-run]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
loader=/usr/lib/wine/wine
dry_run=0
[[ "${1:-}" == --dry-run ]] && dry_run=1
runs() { [[ -x "$loader" ]] && WINEDEBUG=-all timeout 60 "$loader" --version >/dev/null 2>&1 </dev/null; }
runs && exit 0

mkdir -p "$root/build"
log="$root/build/wine32.log"
: >"$log"
SUDO=()
[[ $(id -u) -ne 0 ]] && SUDO=(sudo)
apt=("${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -y -q --no-install-recommends
  -o DPkg::Lock::Timeout=60)
# The first error apt gave in its part of the log, for the one line of why.
apt_error() { tail -n +"$1" "$log" | grep -m1 '^E: ' | cut -c4- || true; }

probe="$(mktemp -d)"
trap 'rm -rf "$probe"' EXIT
mkdir -p "$probe/lists/partial"
# amd64 and i386 package lists in the probe's folder, no package caches.
own_lists=(-o APT::Architectures::=amd64 -o APT::Architectures::=i386 -o APT::Sandbox::User=root
  -o Dir::State::Lists="$probe/lists" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=)
update_failed=""
timeout 300 apt-get -q "${own_lists[@]}" update >>"$log" 2>&1 </dev/null ||
  update_failed="the i386 package lists did not all download ($(apt_error 1)); "
start=$(($(wc -l <"$log") + 1))
if ! apt-get -s -q --no-install-recommends "${own_lists[@]}" install wine32:i386 \
  >>"$log" 2>&1 </dev/null; then
  echo "${update_failed}apt-get cannot install wine32:i386 ($(apt_error "$start"); build/wine32.log)"
  exit 1
fi
if ((dry_run)); then
  echo "wine32:i386 would install (--dry-run installs nothing)"
  exit 1
fi

added=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${SUDO[@]}" dpkg --add-architecture i386 || { echo "dpkg --add-architecture i386 failed"; exit 1; }
  added=1
fi
undo() {
  ((added)) || return 0
  local i386
  i386="$(dpkg-query -W -f='${db:Status-Abbrev} ${binary:Package}\n' 2>/dev/null |
    awk 'substr($1, 2, 1) != "n" && $2 ~ /:i386$/ { print $2 }')"
  # shellcheck disable=SC2086 # one package a word
  [[ -z "$i386" ]] || timeout 600 "${apt[@]}" purge $i386 >>"$log" 2>&1 </dev/null || true
  "${SUDO[@]}" dpkg --remove-architecture i386 >>"$log" 2>&1 ||
    echo "wine32.sh: the i386 architecture is still added (dpkg --remove-architecture i386)" >&2
  added=0
}
# Also when this script stops where it was not meant to.
trap 'undo; rm -rf "$probe"' EXIT
start=$(($(wc -l <"$log") + 1))
timeout 300 "${apt[@]}" update >>"$log" 2>&1 </dev/null || true
# Downloads first, under a time limit; the install itself then only unpacks,
# which a time limit must not cut short.
if ! timeout 900 "${apt[@]}" install --download-only wine32:i386 >>"$log" 2>&1 </dev/null ||
  ! "${apt[@]}" install wine32:i386 >>"$log" 2>&1 </dev/null || ! runs; then
  reason="$(apt_error "$start")"
  undo
  echo "installing wine32:i386 failed (${reason:-its loader does not run}; build/wine32.log)"
  exit 1
fi
added=0 # kept: wine32 is installed and runs
