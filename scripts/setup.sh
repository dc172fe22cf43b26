#!/usr/bin/env bash
# Installs what the build needs on a Debian machine (idempotent) and builds
# the dependencies that Debian ships only as source for the Windows targets.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

packages=(
  build-essential cmake ninja-build pkg-config dpkg-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  zlib1g-dev libjpeg-dev
  mingw-w64 libz-mingw-w64-dev
  wine wine64 xvfb xdotool x11-utils x11-apps imagemagick
  osslsigncode openssl
  clang libclang-rt-14-dev ccache file util-linux
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The shipped installer is a 32-bit program: its tests run under 32-bit Wine,
# which needs the i386 architecture (added once, then the index refreshed).
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: adding the i386 architecture for 32-bit Wine"
  $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -qq
fi
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  echo "setup: installing wine32:i386"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null
fi

# Where this kernel refuses i386 programs, the 32-bit Wine runs under
# qemu-i386 in a private namespace (see i386-lib.sh): fetch it, once.
source "$here/i386-lib.sh"
if [ "${VOR_WIN32_ROUTE:-auto}" = emulated ] ||
  { [ "${VOR_WIN32_ROUTE:-auto}" = auto ] && ! i386_probe_runs; }; then
  i386_fetch_qemu || echo "setup: the 32-bit programs will not run on this host"
fi

"$here/setup-deps.sh"
