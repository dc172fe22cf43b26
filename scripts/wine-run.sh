#!/usr/bin/env bash
# Runs a Windows program under Wine, headless, in a private WINEPREFIX that
# lives inside the build folder of the program (created once, safely under
# parallel runs).
#
# Usage: wine-run.sh [--arch win32|win64] <program.exe> [arguments...]
# The architecture defaults to win64. A program whose PE machine does not
# match the loader is refused with exit code 125. Where the kernel refuses
# i386 programs, 32-bit programs run in the qemu namespace (i386-lib.sh).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/wine-lib.sh"
arch=win64
if [ "${1:-}" = "--arch" ]; then arch="$2"; shift 2; fi
exe="$1"; shift
wine_check_program "$exe" "$arch" || exit 125
# A 32-bit program on a kernel that refuses i386 programs: run this again
# inside the qemu namespace (no-op when already there, or not needed).
wine_enter_route "$exe" "$0" --arch "$arch" "$exe" "$@"
if [ -z "${WINEPREFIX:-}" ]; then
  dir="$(cd "$(dirname "$exe")" && pwd)"
  while [ "$dir" != "/" ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir="$(dirname "$dir")"; done
  [ "$dir" = "/" ] && dir="$(cd "$(dirname "$exe")" && pwd)"
  export WINEPREFIX="$dir/wineprefix"
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
# Windows programs see the Unix root as drive Z:; an absolute Unix path in
# GTEST_OUTPUT would otherwise be taken as relative to the current folder.
case "${GTEST_OUTPUT:-}" in xml:/*) export GTEST_OUTPUT="xml:Z:${GTEST_OUTPUT#xml:}" ;; esac
wine_prepare_prefix "$arch"
loader="$(wine_loader "$arch")"
export WINELOADER="$loader"
exec "$loader" "$exe" "$@"
