#!/usr/bin/env bash
# The choice of route for the 32-bit programs: the probe agrees with what
# the 32-bit Wine loader itself does, a forced route is taken as given and a
# wrong value refused, and where qemu-i386 is at hand the private namespace
# runs i386 programs through it without touching the host's binfmt_misc.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$root/scripts/wine-lib.sh"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# The probe against the real thing: Debian's 32-bit Wine loader is an i386
# program, so it starts exactly when the probe runs.
if i386_probe_runs; then probe=runs; else probe=refused; fi
if [ -x /usr/lib/wine/wine ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then loader=runs; else loader=refused; fi
  [ "$probe" = "$loader" ] || fail "the probe says the kernel $probe i386 programs, the 32-bit Wine loader $loader"
fi

# Forced routes, and the automatic one following the probe.
while read -r value want_route want_status; do
  out="$(VOR_WIN32_ROUTE="$value" bash -c 'source "$1"; i386_route && echo "$I386_ROUTE"' _ \
    "$root/scripts/i386-lib.sh" 2>&1)"
  status=$?
  [ "$status" -eq "$want_status" ] || fail "VOR_WIN32_ROUTE=$value: exit $status, want $want_status ($out)"
  [ "$want_status" -ne 0 ] || [ "$out" = "$want_route" ] || fail "VOR_WIN32_ROUTE=$value: route '$out', want '$want_route'"
done <<CASES
native native 0
emulated emulated 0
twin twin 0
sideways - 1
CASES
auto_route="$(VOR_WIN32_ROUTE=auto bash -c 'source "$1"; i386_route; echo "$I386_ROUTE"' _ "$root/scripts/i386-lib.sh")"
if [ "$probe" = runs ]; then
  [ "$auto_route" = native ] || fail "the probe runs, yet the route is $auto_route"
else
  [ "$auto_route" != native ] || fail "the probe is refused, yet the route is native"
fi

# A 64-bit program never enters the namespace: wine_enter_route returns.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
{ printf 'MZ'; head -c 58 /dev/zero; printf '\x40\x00\x00\x00PE\0\0\x64\x86'; head -c 64 /dev/zero; } >"$work/pe32plus.exe"
(wine_enter_route "$work/pe32plus.exe" /bin/false; exit 0) || fail "wine_enter_route re-ran the script for a 64-bit program"

# The namespace: the probe runs there through qemu-i386, the marker is set,
# and the host's binfmt_misc gains no entry.
if i386_qemu >/dev/null; then
  "$root/scripts/i386-ns.sh" --probe || fail "i386-ns.sh --probe failed"
  inside="$("$root/scripts/i386-ns.sh" bash -c 'echo "$VOR_I386_NS"; cat /proc/sys/fs/binfmt_misc/vor-i386 | head -n 1')"
  [ "$inside" = "$(printf '1\nenabled')" ] || fail "inside the namespace: '$inside'"
  [ ! -e /proc/sys/fs/binfmt_misc/vor-i386 ] || fail "the host's binfmt_misc has the namespace's entry"
else
  echo "no qemu-i386 here: the namespace part is not tried (the route test above covers the choice)"
fi

[ "$failures" -eq 0 ] && echo "i386 route test passed"
[ "$failures" -eq 0 ]
