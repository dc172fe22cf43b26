#!/usr/bin/env bash
# Runs a command where i386 programs run through qemu-i386: a new user and
# mount namespace with a binfmt_misc instance of its own (Linux 6.7 or
# later), in which qemu-i386 is registered for i386 ELF programs with the F
# flag (the interpreter is opened once, at registration). The host's
# binfmt_misc and its interpreters are not touched; everything the command
# starts, Wine's server included, stays in the namespace and ends with it.
#
# Usage: i386-ns.sh <command> [arguments...]
#        i386-ns.sh --probe      sets the namespace up and runs the i386
#                                probe in it: exit 0 when that works
# Inside, VOR_I386_NS=1 is set. Called from inside such a namespace, the
# command simply runs.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/i386-lib.sh"

[ $# -gt 0 ] || { echo "usage: i386-ns.sh <command> [arguments...] | --probe" >&2; exit 2; }
if i386_in_namespace; then
  if [ "$1" = "--probe" ]; then i386_probe_runs; exit; fi
  exec "$@"
fi

qemu="$(i386_qemu)" || {
  echo "i386-ns: no qemu-i386 of version 8.1 or later (scripts/setup.sh fetches it)" >&2
  exit 125
}
command -v unshare >/dev/null || { echo "i386-ns: unshare is not installed" >&2; exit 125; }

# The binfmt_misc entry: the i386 ELF executable header (class 32, little
# endian, type EXEC or DYN, machine 3), masked as the kernel's own entry is.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
export VOR_I386_NS=1 VOR_I386_QEMU="$qemu" VOR_I386_ENTRY=":vor-i386:M::$magic:$mask:$qemu:F"
exec unshare --user --map-root-user --mount --fork -- bash -c '
  set -e
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null ||
    { echo "i386-ns: this kernel has no binfmt_misc of a namespace'"'"'s own" >&2; exit 125; }
  printf "%s" "$VOR_I386_ENTRY" >/proc/sys/fs/binfmt_misc/register ||
    { echo "i386-ns: qemu-i386 could not be registered" >&2; exit 125; }
  unset VOR_I386_ENTRY
  if [ "$1" = "--probe" ]; then
    source "$0"
    i386_probe_runs || { echo "i386-ns: the i386 probe did not run under $VOR_I386_QEMU" >&2; exit 125; }
    exit 0
  fi
  exec "$@"
' "$here/i386-lib.sh" "$@"
