#!/usr/bin/env bash
# The Wine runner refuses a program whose PE machine does not match its
# loader, so that a 32-bit test given to wine64 (which prints nothing and
# exits 0) fails loudly instead of passing.
#
#   wine_runner_test.sh <built program> <its arch: win32|win64>
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$root/scripts/wine-lib.sh"
program="$1"
arch="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# make_pe <file> <machine bytes as \x escapes>: a DOS stub pointing at a PE
# signature with the given machine field; nothing else is needed to classify.
make_pe() {
  { printf 'MZ'; head -c 58 /dev/zero; printf '\x40\x00\x00\x00'; printf 'PE\0\0'; printf "$2"
    head -c 64 /dev/zero; } >"$1"
}
make_pe "$work/pe32plus.exe" '\x64\x86'
make_pe "$work/pe32.exe" '\x4c\x01'
make_pe "$work/arm.exe" '\x64\xaa'
printf 'MZ but nothing else' >"$work/short.exe"
printf 'not a program' >"$work/text.exe"

# Classification: the built program and the synthetic headers.
while read -r file want; do
  got="$(wine_pe_arch "$file")"
  [ "$got" = "$want" ] || fail "wine_pe_arch $file: got '${got}', want '${want}'"
done <<CASES
$program $arch
$work/pe32plus.exe win64
$work/pe32.exe win32
$work/arm.exe machine-0xaa64
$work/short.exe
$work/text.exe
CASES

# The runner: every mismatch ends with 125 and a message naming both sides,
# before any Wine process starts (the prefix must not be created).
other=win64; [ "$arch" = win64 ] && other=win32
while read -r runner_arch file want_text; do
  out="$(WINEPREFIX="$work/prefix" "$root/scripts/wine-run.sh" --arch "$runner_arch" "$file" 2>&1)"
  status=$?
  [ "$status" -eq 125 ] || fail "wine-run.sh --arch $runner_arch $file: exit $status, want 125"
  case "$out" in *"$want_text"*) ;; *) fail "wine-run.sh --arch $runner_arch $file said: $out" ;; esac
done <<CASES
win32 $work/pe32plus.exe is a win64 program but this runner loads win32 programs
win64 $work/pe32.exe is a win32 program but this runner loads win64 programs
$other $program is a $arch program but this runner loads $other programs
win32 $work/text.exe is not a Windows program
win64 $work/arm.exe is a machine-0xaa64 program but this runner loads win64 programs
CASES
[ -e "$work/prefix" ] && fail "a refused program created a Wine prefix"

[ "$failures" -eq 0 ] && echo "wine runner test passed"
[ "$failures" -eq 0 ]
