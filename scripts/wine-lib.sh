# Shared by the scripts that run Windows programs under Wine. Sourced.
#
#   wine_pe_arch <file>          prints win32 (PE32, i386), win64 (PE32+,
#                                x86-64), machine-0xNNNN for another machine,
#                                or nothing when the file is no PE
#   wine_loader <arch>           prints the Wine loader for that architecture
#   wine_check_program <exe> <arch>
#                                fails loudly when the program's machine does
#                                not match the loader (wine64 given a 32-bit
#                                program prints nothing and exits 0)
#   wine_prepare_prefix <arch> [command...]
#                                makes $WINEPREFIX ready exactly once, even
#                                when several runners start at the same time
#   wine_enter_route <program> <script> [arguments...]
#                                for a 32-bit program on a host whose kernel
#                                refuses i386 programs, runs the script again
#                                inside the private qemu namespace
#                                (scripts/i386-ns.sh); otherwise returns

# wine_pe_arch <file>: reads e_lfanew at 0x3C, checks "PE\0\0" there and
# reads the machine field that follows.
wine_pe_arch() {
  local f="$1" off sig machine
  [ -f "$f" ] || return 0
  [ "$(head -c 2 "$f")" = "MZ" ] || return 0
  off=$(od -An -t u4 -j 60 -N 4 "$f" 2>/dev/null | tr -d ' ')
  [ -n "$off" ] || return 0
  sig=$(od -An -t x1 -j "$off" -N 4 "$f" 2>/dev/null | tr -d ' ')
  [ "$sig" = "50450000" ] || return 0
  machine=$(od -An -t x2 -j $((off + 4)) -N 2 "$f" 2>/dev/null | tr -d ' ')
  case "$machine" in
    014c) echo win32 ;;
    8664) echo win64 ;;
    *) echo "machine-0x$machine" ;;
  esac
}

source "$(dirname "${BASH_SOURCE[0]}")/i386-lib.sh"

wine_enter_route() {
  local program="$1" script="$2"
  shift 2
  [ "$(wine_pe_arch "$program")" = win32 ] || return 0
  i386_in_namespace && return 0
  i386_probe_runs && return 0
  exec "$(dirname "${BASH_SOURCE[0]}")/i386-ns.sh" bash "$script" "$@"
}

wine_loader() {
  case "$1" in
    win32) echo /usr/lib/wine/wine ;;
    win64) echo /usr/lib/wine/wine64 ;;
    *) return 1 ;;
  esac
}

wine_check_program() {
  local exe="$1" arch="$2" got
  got="$(wine_pe_arch "$exe")"
  if [ -z "$got" ]; then
    echo "wine: $exe is not a Windows program (no PE header)" >&2
    return 1
  fi
  if [ "$got" != "$arch" ]; then
    echo "wine: $exe is a $got program but this runner loads $arch programs" >&2
    return 1
  fi
  local loader; loader="$(wine_loader "$arch")"
  if [ ! -x "$loader" ]; then
    echo "wine: no $arch loader at $loader (scripts/setup.sh installs it)" >&2
    return 1
  fi
}

# wine_prepare_prefix <arch> [command...]: the first runner takes the lock,
# boots the prefix, runs the command in it when one is given (a setting
# every user of the prefix needs), waits for the Wine server to finish
# writing it and only then writes the marker; every other runner waits on
# the lock and finds the marker. A prefix without the marker (a boot that was killed) is made anew,
# and so is one made on the other route: a 32-bit prefix booted outside the
# qemu namespace has no usable system folder inside it, and the other way
# round.
wine_prepare_prefix() {
  local arch="$1" loader marker lock made_on
  shift
  loader="$(wine_loader "$arch")"
  marker="$WINEPREFIX/.vor-prefix-ready"
  lock="$WINEPREFIX.lock"
  made_on=native
  [ "$arch" = win32 ] && i386_in_namespace && made_on=emulated
  mkdir -p "$(dirname "$WINEPREFIX")"
  [ -f "$marker" ] && [ "$(cat "$marker")" = "$made_on" ] && return 0
  (
    flock -x 9
    if [ ! -f "$marker" ] || [ "$(cat "$marker")" != "$made_on" ]; then
      rm -rf "$WINEPREFIX"
      mkdir -p "$WINEPREFIX"
      WINEARCH="$arch" WINELOADER="$loader" "$loader" wineboot --init >/dev/null 2>&1 || true
      if [ $# -gt 0 ]; then WINELOADER="$loader" "$@" >/dev/null 2>&1 || true; fi
      WINELOADER="$loader" wineserver -w 2>/dev/null || true
      [ -f "$WINEPREFIX/system.reg" ] || { echo "wine: wineboot did not set up $WINEPREFIX" >&2; exit 1; }
      echo "$made_on" >"$marker"
    fi
  ) 9>"$lock"
}

# real_path_args "<names>" <paths...>: sets each named variable to the real
# path of the argument in its place; exits 2 when one is missing.
real_path_args() {
  local names="$1" name
  shift
  for name in $names; do
    [ $# -gt 0 ] || { echo "missing argument: <$name>" >&2; exit 2; }
    printf -v "$name" '%s' "$(realpath "$1")"
    shift
  done
}
