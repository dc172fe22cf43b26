#!/usr/bin/env bash
# Fails when a file of the installer includes a header from a folder above
# its own: package <- installer/engine <- installer/wizard <- installer/win32.
# The job package knows nothing of the installer, the engine nothing of the
# wizard or the Win32 view, the wizard nothing of the Win32 view.
# Usage: layer_check.sh <repository root>
set -uo pipefail
src="$1/src"
status=0
# check <folder> <pattern of include paths it must not use>
check() {
  local hits
  hits=$(grep -nE "#include \"($2)" "$src/$1"/*.h "$src/$1"/*.cpp 2>/dev/null)
  if [ -n "$hits" ]; then
    echo "$1 includes a folder above it:"
    echo "$hits"
    status=1
  fi
}
# Every file of the installer lies in one of its three folders.
stray=$(find "$src/installer" -maxdepth 1 -name '*.h' -o -maxdepth 1 -name '*.cpp')
if [ -n "$stray" ]; then
  echo "files outside engine/, wizard/ and win32/:"
  echo "$stray"
  status=1
fi
check package "installer/"
check installer/engine "installer/wizard/|installer/win32/|form_window|view_services"
check installer/wizard "installer/win32/|form_window|view_services"
[ "$status" -eq 0 ] && echo "every include of the installer's folders points down"
exit "$status"
