#!/usr/bin/env bash
# Runs a Windows program under wine64, headless, in a private WINEPREFIX that
# lives inside the build folder of the program (created on first use).
set -euo pipefail
exe="$1"; shift
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
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=wine
export WINELOADER="$wine"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot --init >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
fi
exec "$wine" "$exe" "$@"
