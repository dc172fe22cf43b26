#!/usr/bin/env bash
# Builds libbzip2 (for every target) from Debian's source package into $VOR_DEPS_DIR
# (default ~/.cache/vor-deps). A stamp per target makes reruns free.
#
# libbzip2 is compiled with BZ_NO_STDIO so that an internal error calls the
# application's bz_internal_error hook instead of printing and exiting.
set -euo pipefail

deps="${VOR_DEPS_DIR:-$HOME/.cache/vor-deps}"
src="$deps/src"
mkdir -p "$src"

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

need_source() {  # package directory-glob
  local pkg="$1"
  if ! ls -d "$src/$pkg"-*/ >/dev/null 2>&1; then
    if ! grep -rqs "deb-src" /etc/apt/sources.list /etc/apt/sources.list.d/; then
      echo "setup-deps: adding a deb-src entry for Debian's source packages" >&2
      codename="$(. /etc/os-release && echo "$VERSION_CODENAME")"
      printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$codename" | $SUDO tee /etc/apt/sources.list.d/vor-deb-src.sources >/dev/null
      $SUDO apt-get update -qq
    fi
    (cd "$src" && apt-get source -qq "$pkg" >/dev/null 2>&1) || {
      # apt-get source may need the index refreshed once.
      $SUDO apt-get update -qq && (cd "$src" && apt-get source -qq "$pkg" >/dev/null)
    }
  fi
  ls -d "$src/$pkg"-*/ | head -n 1
}

build_bzip2() {  # triple cc ar
  local triple="$1" cc="$2" ar="$3" out="$deps/$1"
  [ -f "$out/.bzip2-done" ] && return 0
  local dir; dir="$(need_source bzip2)"
  local work; work="$(mktemp -d)"
  echo "setup-deps: building libbzip2 for $triple"
  for f in blocksort huffman crctable randtable compress decompress bzlib; do
    "$cc" -O2 -fPIC -DBZ_NO_STDIO -D_FILE_OFFSET_BITS=64 -c "$dir/$f.c" -o "$work/$f.o"
  done
  mkdir -p "$out/lib" "$out/include"
  rm -f "$out/lib/libbz2.a"
  "$ar" rcs "$out/lib/libbz2.a" "$work"/*.o
  cp "$dir/bzlib.h" "$out/include/"
  rm -rf "$work"
  touch "$out/.bzip2-done"
}

# The Windows targets use the presets' compilers (cmake/toolchains/), those of
# the Win32 thread model. A C library without threads compiles to the same
# machine code in either thread model, so a libbzip2 built earlier with the
# other model's compiler is kept. (GoogleTest, C++ built with the C++
# library's inline code, is built inside each build folder by the preset's
# own compiler: cmake/Dependencies.cmake.)
build_bzip2 native gcc ar
build_bzip2 x86_64-w64-mingw32 x86_64-w64-mingw32-gcc-win32 x86_64-w64-mingw32-ar
build_bzip2 i686-w64-mingw32 i686-w64-mingw32-gcc-win32 i686-w64-mingw32-ar
echo "setup-deps: dependencies ready in $deps"
