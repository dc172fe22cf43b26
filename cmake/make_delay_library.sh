#!/usr/bin/env bash
# Makes a delay-load import library from a system import library: the same
# functions, but the library is loaded (by LoadLibrary, through the runtime's
# delay-load helper) at the first call of one of them instead of by the
# loader when the program starts. A program whose only start-up imports are
# kernel32 and the C runtime can narrow the library search before any other
# system library, and the libraries those load in turn, is looked for.
#
# The delay-load tables go into sections of their own (.didat$N, gathered by
# delay_import.ld) rather than the .idata$N sections the import tables use:
# the linker treats .idata$5 as the loader's address table and leaves the
# delay-load entries unset there, so the first call would jump to zero.
#
# Usage: make_delay_library.sh <dlltool> <nm> <objcopy> <ar> <machine>
#                              <system import library> <output library>
#   machine: i386 or x86-64 (dlltool's -m names: i386, i386:x86-64)
set -euo pipefail
dlltool="$1" nm="$2" objcopy="$3" ar="$4" machine="$5" system_lib="$6" out="$7"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The library's file name, as the import library records it.
dll="$("$dlltool" -I "$system_lib")"
[ -n "$dll" ] || { echo "make_delay_library: no library name in $system_lib" >&2; exit 1; }

# Every function the import library offers: its __imp_ symbols. On i386 C
# symbols carry a leading underscore, and stdcall names keep their @N, which
# dlltool -k drops again from the name the library is asked for.
case "$machine" in
  i386) prefix='__imp__' dlltool_machine=i386 ;;
  x86-64) prefix='__imp_' dlltool_machine=i386:x86-64 ;;
  *) echo "make_delay_library: unknown machine '$machine'" >&2; exit 1 ;;
esac
{
  echo "LIBRARY $dll"
  echo "EXPORTS"
  "$nm" --defined-only "$system_lib" 2>/dev/null |
    sed -n "s/^[0-9a-fA-F]* I ${prefix}\(.*\)\$/\1/p" | sort -u
} >"$work/exports.def"
[ "$(wc -l <"$work/exports.def")" -gt 2 ] ||
  { echo "make_delay_library: no functions found in $system_lib" >&2; exit 1; }

"$dlltool" -m "$dlltool_machine" -k -d "$work/exports.def" -y "$work/delay.a"

mkdir "$work/members"
cd "$work/members"
"$ar" x "$work/delay.a"
members=()
while IFS= read -r m; do members+=("$m"); done < <("$ar" t "$work/delay.a")
for m in "${members[@]}"; do
  "$objcopy" --rename-section '.idata$4=.didat$4' --rename-section '.idata$5=.didat$5' \
    --rename-section '.idata$6=.didat$6' --rename-section '.idata$7=.didat$7' "$m"
done
rm -f "$out.tmp"
"$ar" rcs "$out.tmp" "${members[@]}"
mv -f "$out.tmp" "$out"
