#!/usr/bin/env bash
# The size of the shipped installer program (the stub every installer starts
# with): what each download pays before the application's own bytes.
# Usage: stub_size.sh [VORSetup.exe]   (default: the win32 build's)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
stub="${1:-$root/build/win32/src/installer/win32/VORSetup.exe}"
goal=409600
[ -f "$stub" ] || { echo "stub_size: no program at $stub (build the win32 preset first)" >&2; exit 1; }
size=$(stat -c %s "$stub")
verdict="over the goal"
[ "$size" -lt "$goal" ] && verdict="under the goal"
printf 'installer stub %s: %d bytes (%d KiB), goal < %d bytes: %s\n' \
  "${stub#$root/}" "$size" $((size / 1024)) "$goal" "$verdict"
