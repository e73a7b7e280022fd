#!/bin/bash
# Installs the Debian packages needed to build, run and test Tickerloom;
# --test adds what the tests need, --windows what the Windows build and its
# tests under Wine need. Idempotent: packages already present are left alone
# and apt is not consulted.
set -euo pipefail

PACKAGES=(
  cmake g++ make pkg-config zlib1g-dev
  qt6-base-dev libgl-dev
  libcurl4-openssl-dev libsodium-dev ca-certificates
  libgcrypt20-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core
  # Configuring the default build looks for the update tests' server script.
  python3
)
windows=0
for option in "$@"; do
  case "$option" in
    --test)
      PACKAGES+=(xvfb xauth xdotool xclip imagemagick strace
        clang-14 libclang-rt-14-dev clang-tidy-14 cppcheck
        desktop-file-utils lintian dpkg-dev file)
      ;;
    --windows)
      # Both programs: the 64-bit one the tests run against, the 32-bit one
      # that is released. libgcrypt's and libgpg-error's mingw packages hold
      # the static libraries of both. (32-bit Wine, for the 32-bit program's
      # tests, is tools/wine32.sh's: it may not install.)
      PACKAGES+=(mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
        binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 googletest
        libgcrypt-mingw-w64-dev libgpg-error-mingw-w64-dev
        wine64 wine fonts-wine xvfb xauth xdotool xclip imagemagick locales
        # Authenticode signing of the Windows program, and its test's certificate.
        osslsigncode openssl)
      windows=1
      ;;
  esac
done

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if ((${#missing[@]})); then
  SUDO=()
  [[ $(id -u) -ne 0 ]] && SUDO=(sudo)
  "${SUDO[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# A Russian player's session for the Windows tests: Wine names files in the
# locale's character set, so Cyrillic file names need the locale installed.
if ((windows)) && ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf8'; then
  SUDO=()
  [[ $(id -u) -ne 0 ]] && SUDO=(sudo)
  "${SUDO[@]}" localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi
