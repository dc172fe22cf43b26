# How this host runs the shipped 32-bit programs under Wine. Sourced.
#
# Debian's 32-bit Wine is an i386 Linux program. Some kernels of this kind of
# machine run 64-bit user code only (execve of an i386 program fails with
# "Exec format error"); there the i386 programs run under qemu-user inside a
# user and mount namespace with a binfmt_misc instance of its own, so the
# host's interpreters are never touched. Three routes follow:
#
#   native     the kernel runs i386 programs: Wine runs as it is
#   emulated   it does not, but qemu-i386 in a private namespace does
#              (scripts/i386-ns.sh runs a command there)
#   twin       neither works: the 32-bit tests are reported as skipped and
#              the installer's walks run on the 64-bit build under wine64
#
# VOR_WIN32_ROUTE=native|emulated|twin forces a route (to try a branch on a
# host that would take another); unset or "auto" lets the probes decide.
#
#   i386_deps_dir            where setup keeps what it fetched
#   i386_probe_runs          true when an i386 program runs here, in this
#                            namespace (a 96-byte static program that exits 42)
#   i386_qemu                prints the qemu-i386 to use (>= 8.1), if any
#   i386_fetch_qemu          fetches qemu-user from Debian's packages into
#                            the deps folder, once
#   i386_route               sets I386_ROUTE and I386_REASON
#   i386_in_namespace        true inside scripts/i386-ns.sh

i386_deps_dir() { echo "${VOR_DEPS_DIR:-$HOME/.cache/vor-deps}"; }

# i386_probe_runs: writes a minimal static i386 program (ELF header, one
# program header, then "mov eax,1; mov ebx,42; int 0x80") and runs it. Exit
# code 42 means the program ran; anything else (ENOEXEC shows as 126) means
# it did not. Takes a few milliseconds.
i386_probe_runs() {
  local dir probe status
  dir="$(i386_deps_dir)"
  mkdir -p "$dir" 2>/dev/null || dir="${TMPDIR:-/tmp}"
  probe="$(mktemp "$dir/i386-probe.XXXXXX")" || return 1
  printf '%b' \
    '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
    '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
    '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
    '\x00\x00\x00\x00' \
    '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
    '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
    '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" >/dev/null 2>&1
  status=$?
  rm -f "$probe"
  [ "$status" -eq 42 ]
}

# i386_qemu_ok <program>: true for a qemu-i386 of version 8.1 or later
# (older ones ignore MAP_FIXED_NOREPLACE and take a minute per Wine process).
i386_qemu_ok() {
  local v major minor
  [ -x "$1" ] || return 1
  v="$("$1" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\)\.\([0-9]*\).*/\1 \2/p')"
  [ -n "$v" ] || return 1
  read -r major minor <<<"$v"
  [ "$major" -gt 8 ] || { [ "$major" -eq 8 ] && [ "$minor" -ge 1 ]; }
}

i386_qemu() {
  local own
  own="$(i386_deps_dir)/qemu/qemu-i386"
  if i386_qemu_ok "$own"; then echo "$own"; return 0; fi
  own="$(command -v qemu-i386 2>/dev/null)" || return 1
  i386_qemu_ok "$own" && echo "$own"
}

# i386_fetch_qemu: downloads the qemu-user package with a private apt
# configuration (its own source list, lists and cache inside the deps
# folder; the machine's apt setup stays as it is) and unpacks qemu-i386 alone.
# Tries the release's backports first, then the release itself.
i386_fetch_qemu() {
  i386_qemu >/dev/null && return 0
  local deps apt codename suite version work
  deps="$(i386_deps_dir)"
  apt="$deps/qemu-apt"
  codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")"
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/parts" "$deps/qemu"
  local opts=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts"
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache"
    -o "APT::Architectures::=$(dpkg --print-architecture)" -o Debug::NoLocking=1
    -o APT::Sandbox::User=root)
  for suite in "$codename-backports" "$codename"; do
    printf 'deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian %s main\n' \
      "$suite" >"$apt/sources.list"
    apt-get "${opts[@]}" update -qq >/dev/null 2>&1 || continue
    version="$(apt-cache "${opts[@]}" policy qemu-user 2>/dev/null | sed -n 's/^ *Candidate: //p')"
    case "$version" in "" | "(none)") continue ;; esac
    work="$(mktemp -d)"
    if (cd "$work" && apt-get "${opts[@]}" download -qq qemu-user >/dev/null 2>&1) &&
      dpkg-deb --fsys-tarfile "$work"/qemu-user_*.deb | tar -x -C "$work" ./usr/bin/qemu-i386 &&
      i386_qemu_ok "$work/usr/bin/qemu-i386"; then
      mv "$work/usr/bin/qemu-i386" "$deps/qemu/qemu-i386"
      rm -rf "$work"
      echo "setup: qemu-i386 $version from $suite in $deps/qemu"
      return 0
    fi
    rm -rf "$work"
  done
  echo "setup: no qemu-user of version 8.1 or later could be fetched" >&2
  return 1
}

i386_in_namespace() { [ "${VOR_I386_NS:-}" = 1 ]; }

# i386_route: decides the route (see the top of this file) and says why.
i386_route() {
  local here ns_error
  here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
  case "${VOR_WIN32_ROUTE:-auto}" in
    native | emulated | twin)
      I386_ROUTE="$VOR_WIN32_ROUTE"
      I386_REASON="forced by VOR_WIN32_ROUTE=$VOR_WIN32_ROUTE"
      return 0
      ;;
    auto) ;;
    *)
      echo "VOR_WIN32_ROUTE must be native, emulated, twin or auto, not '$VOR_WIN32_ROUTE'" >&2
      return 1
      ;;
  esac
  if i386_probe_runs; then
    I386_ROUTE=native
    I386_REASON="this kernel runs i386 programs"
    return 0
  fi
  if ! i386_qemu >/dev/null; then
    I386_ROUTE=twin
    I386_REASON="this kernel refuses i386 programs and no qemu-i386 (8.1 or later) is at hand"
    return 0
  fi
  if ns_error="$("$here/i386-ns.sh" --probe 2>&1)"; then
    I386_ROUTE=emulated
    I386_REASON="this kernel refuses i386 programs; qemu-i386 runs them in a private namespace"
    return 0
  fi
  I386_ROUTE=twin
  I386_REASON="this kernel refuses i386 programs and no private binfmt_misc could be set up (${ns_error:-no reason given})"
}
