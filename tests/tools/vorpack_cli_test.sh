#!/usr/bin/env bash
# Scenarios of the vorpack command line: builds of the example and of broken
# packages, read back with coffer; usage, interruption and installation.
#
#   vorpack_cli_test.sh SCENARIO VORPACK COFFER SOURCE_DIR [BUILD_DIR]
#
# VORPACK_RUNNER, when set, runs both programs (wine-run.sh for Windows
# builds); disk paths handed to them are then given as Z: paths.
set -uo pipefail
scenario="$1"
vorpack_exe="$2"
coffer_exe="$3"
source_dir="$4"
build_dir="${5:-}"

work="$(mktemp -d "${TMPDIR:-/tmp}/vorpack-test.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
unset SOURCE_DATE_EPOCH COFFER_PASSWORD COFFER_FILE_PASSWORD
# The installer opens its container with this password; coffer needs it too.
installer_password=velmorakitan

fail() {
  echo "FAIL [$scenario]: $*" >&2
  exit 1
}

# A path for the programs: as it is natively, on drive Z: under the runner.
arg_path() {
  if [ -n "${VORPACK_RUNNER:-}" ]; then
    case "$1" in /*) printf 'Z:%s' "$1" ;; *) printf '%s' "$1" ;; esac
  else
    printf '%s' "$1"
  fi
}

run() {
  local exe="$1"
  shift
  if [ -n "${VORPACK_RUNNER:-}" ]; then
    # shellcheck disable=SC2086
    $VORPACK_RUNNER "$exe" "$@" </dev/null
  else
    "$exe" "$@" </dev/null
  fi
}

# expect CODE PROGRAM ARGS...: keeps stdout in out.txt and stderr in
# err.txt, and fails unless the program exits with CODE.
expect() {
  local want="$1" exe
  case "$2" in vorpack) exe="$vorpack_exe" ;; coffer) exe="$coffer_exe" ;; esac
  shift 2
  run "$exe" "$@" >out.txt 2>err.txt
  local got=$?
  if [ "$got" != "$want" ]; then
    echo "--- stdout" >&2; cat out.txt >&2
    echo "--- stderr" >&2; cat err.txt >&2
    fail "$exe $* exited with $got, expected $want"
  fi
}

contains() { grep -qF -- "$2" "$1" || { cat "$1" >&2; fail "'$1' lacks '$2'"; }; }
# The same for a path shown with either delimiter (the Windows build shows \).
contains_path() {
  grep -qE -- "$(printf '%s' "$2" | sed 's|/|[/\\\\]|g')" "$1" || { cat "$1" >&2; fail "'$1' lacks '$2'"; }
}

# A stand-in installer program: a 32-bit PE header and the container's
# signatures among its bytes, as the real program has them.
make_stub() {
  {
    printf 'MZ'; head -c 58 /dev/zero; printf '\x40\x00\x00\x00'
    printf 'PE\x00\x00\x4c\x01'; head -c 400 /dev/zero
    printf 'QZMVHFSSQZCFRSGN'; head -c 3000 /dev/zero
  } >"$1"
}

# same_code PROGRAM INSTALLER: the installer begins with the program's code.
# The real program's headers and resources change (they carry the job's
# icon, version information and manifest); its first 64 KiB of code after
# the headers do not.
same_code() { cmp -s -i 1024:1024 -n 65536 "$1" "$2"; }

# The example package: its text files from the source tree, the programs as
# the Windows build makes them or stand-ins, and the installer's icon.
make_example() {
  local built="$build_dir/examples/hello/package"
  if [ -n "$build_dir" ] && [ -f "$built/Programfiles/hello.exe" ]; then
    cp -r "$built" pkg
  else
    cp -r "$source_dir/examples/hello/package" pkg
    printf 'MZ stand-in for hello.exe' >pkg/Programfiles/hello.exe
    printf 'MZ stand-in for hello_server.dll' >pkg/Programfiles/hello_server.dll
    cp "$source_dir/src/installer/res/vor.ico" pkg/hello.ico
  fi
  mkdir -p pkg/Programfiles/empty
  touch -d '2001-02-03 04:05:06' pkg/Programfiles/docs/readme.txt
}

# Nothing may be left in the output folder but what was there before.
no_output() {
  [ ! -e "$1" ] || fail "'$1' was written"
  if ls "$(dirname "$1")" | grep -q 'vorpack-'; then
    ls -la "$(dirname "$1")" >&2
    fail "a temporary file was left"
  fi
}

# The listing and check of an installer through coffer, and its files
# compared with the package's.
read_back() {
  local setup="$1"
  rm -rf x
  export COFFER_PASSWORD="$installer_password"
  expect 0 coffer --no-progress list "$(arg_path "$setup")"
  contains_path out.txt "Programfiles/hello.exe"
  contains_path out.txt "Programfiles/empty/"
  contains_path out.txt "2001-02-03 04:05:06  Programfiles/docs/readme.txt"
  expect 0 coffer --no-progress check "$(arg_path "$setup")"
  contains out.txt "result: ok"
  expect 0 coffer --no-progress extract "$(arg_path "$setup")" -o x
  diff -r pkg x >/dev/null || { diff -r pkg x >&2; fail "extracted files differ from the package"; }
  unset COFFER_PASSWORD
  COFFER_PASSWORD=wrong run "$coffer_exe" list "$(arg_path "$setup")" >/dev/null 2>&1 &&
    fail "another password opened the installer"
}

case "$scenario" in
  example)
    make_example
    make_stub stub.exe
    expect 0 vorpack pkg -o setup.exe --stub stub.exe
    contains out.txt "setup.exe: 10 files, 3 folders"
    contains out.txt "built in"
    contains out.txt "(chosen for the package)"
    contains out.txt "format overhead"
    cmp -n "$(stat -c %s stub.exe)" stub.exe setup.exe || fail "the program's bytes changed"
    read_back setup.exe
    # A page size given is the one the container gets.
    expect 0 vorpack pkg -o setup-600.exe --stub stub.exe --page-size 600
    contains out.txt "page size 600 bytes (as given)"
    read_back setup-600.exe
    # Each file with the type that stores it smallest; the stand-in
    # programs and the icon are too small to shrink and are stored.
    expect 0 vorpack pkg -o setup-auto.exe --stub stub.exe -c auto
    contains out.txt "compression chosen per file: type 0: "
    read_back setup-auto.exe
    expect 0 vorpack pkg -o setup-5.exe --stub stub.exe -c 5
    grep -q "compression chosen" out.txt && fail "a single type showed a choice"
    ;;
  example_windows)
    # The Windows build: vorpack finds VORSetup.exe beside itself.
    make_example
    expect 0 vorpack --no-progress "$(arg_path "$work/pkg")" -o setup.exe
    same_code "$(dirname "$vorpack_exe")/VORSetup.exe" setup.exe || fail "the program's code changed"
    read_back setup.exe
    ;;
  errors)
    make_stub stub.exe
    make_example
    mkdir -p out
    # Each row: what breaks the package, and the message it must give.
    while IFS='|' read -r breaks message; do
      [ -n "$breaks" ] || continue
      rm -rf bad && cp -r pkg bad
      (cd bad && eval "$breaks") || fail "cannot break the package: $breaks"
      expect 1 vorpack bad -o out/setup.exe --stub stub.exe
      contains err.txt "$message"
      contains err.txt "nothing was written"
      no_output out/setup.exe
    done <<'ROWS'
rm JOB.INI|error: JOB.INI: missing
rm -r Programfiles|error: Programfiles/: missing
sed -i 's/hello.ico/gone.ico/' JOB.INI|JOB.INI:1: Icon 'gone.ico' names no file
printf 'BM not an icon' >hello.ico|JOB.INI:1: Icon 'hello.ico' is not a Windows icon file
sed -i 's/^Exename=hello.exe/Exename=bin\\hello.exe/' JOB.INI|JOB.INI:6: Exename 'bin\hello.exe' names no file under Programfiles/
printf 'Hello=PDIR\\hello.exe\r\nPath=X\r\n' >MENU.DAT|MENU.DAT:1: the shortcut 'Hello' would be lost
printf 'Path=X\r\nHello=C:\\hello.exe\r\n' >MENU.DAT|MENU.DAT:2: the target of 'Hello' does not start with PDIR
printf 'pregister12=PDIR\\hello_server.dll\r\n' >>JOB.INI|JOB.INI:8: 'pregister12' is never read
sed -i 's/hello_server.dll/none.dll/' JOB.INI|'pregister0' 'PDIR\none.dll' names no file
printf 'Postexec=PDIR\\nothing.txt\r\n' >EXECS.DAT|EXECS.DAT:1: Postexec 'PDIR\nothing.txt' names no file or folder
printf 'plain text\n' >License.rtf|License.rtf:1: does not start with {\rtf
printf 'x' >'Programfiles/a?b.txt'|cannot be stored: it holds the character ?
printf 'x' >'Programfiles/Ж.txt'|cannot be represented in code page 1252
printf 'x' >Programfiles/HELLO.EXE|'Programfiles/HELLO.EXE' and 'Programfiles/hello.exe' differ only in case
printf 'Title=Ж\r\n' >>JOB.INI|JOB.INI:8: the character 'Ж' cannot be represented in code page 1252
ROWS
    # Each row: what breaks the package, and the one error vorpack reports
    # for it, exactly (no other finding besides it).
    while IFS='|' read -r breaks message; do
      [ -n "$breaks" ] || continue
      rm -rf bad && cp -r pkg bad
      (cd bad && eval "$breaks") || fail "cannot break the package: $breaks"
      expect 1 vorpack bad -o out/setup.exe --stub stub.exe
      printf 'vorpack: error: %s\nvorpack: 1 error in the package; nothing was written\n' \
        "$message" >want.txt
      diff want.txt err.txt >&2 || fail "the report on '$breaks' differs"
      no_output out/setup.exe
    done <<'ROWS'
printf 'Title=Ж\r\n' >JOB.INI|JOB.INI:1: the character 'Ж' cannot be represented in code page 1252
printf 'Path=X\r\nHello=PDIR\\hello.exe\r\nB=\xd0\x96\r\n' >MENU.DAT|MENU.DAT:3: the character 'Ж' cannot be represented in code page 1252
ln -s ../missing.txt Programfiles/link.txt|'Programfiles/link.txt': a symbolic link to '../missing.txt', which does not exist
printf '\xef\xbb\xbfplain\n' >readme.rtf|readme.rtf:1: does not start with {\rtf; the installer would show it as plain text
ROWS
    # A write the disk refuses names the installer and the system's reason
    # (the file size limit stands in for a full disk).
    (trap '' XFSZ && ulimit -f 12 && exec "$vorpack_exe" pkg -o out/setup.exe --stub stub.exe \
      >out.txt 2>err.txt </dev/null) && fail "a build beyond the file size limit succeeded"
    grep -v '^vorpack: warning: ' err.txt >got.txt
    printf "vorpack: 'out/setup.exe': cannot be written: File too large\n" >want.txt
    diff want.txt got.txt >&2 || fail "the report on a refused write differs"
    no_output out/setup.exe
    # A UTF-8 readme goes in as escapes of the code page; --check says nothing about it.
    printf '{\\rtf1\\ansi Caf\xc3\xa9 \xd0\x96\\par}\n' >pkg/readme.rtf
    expect 0 vorpack pkg -o out/rtf.exe --stub stub.exe
    export COFFER_PASSWORD="$installer_password"
    expect 0 coffer cat out/rtf.exe readme.rtf
    unset COFFER_PASSWORD
    printf "{\\\\rtf1\\\\ansi Caf\\\\'e9 \\\\u1046?\\\\par}\\n" >want.txt
    cmp want.txt out.txt || { od -c out.txt >&2; fail "the stored readme differs"; }
    rm out/rtf.exe
    # A clean package passes --check and writes nothing.
    expect 0 vorpack --check pkg
    contains out.txt "pkg: ready (10 files, 3 folders"
    [ -z "$(ls out 2>/dev/null)" ] || fail "--check wrote something"
    ;;
  usage)
    make_stub stub.exe
    make_example
    expect 0 vorpack --help
    contains out.txt "Example:"
    contains out.txt "bzip2"
    expect 0 vorpack --version
    contains out.txt "vorpack"
    expect 2 vorpack pkg
    expect 2 vorpack pkg -o s.exe -c 10
    expect 2 vorpack pkg -o s.exe -c auto:0
    contains err.txt "'0' in 'auto:0' is not a compression type 1 to 9"
    expect 2 vorpack pkg -o s.exe --frobnicate
    expect 2 vorpack pkg other -o s.exe
    expect 2 vorpack pkg -o s.exe --codepage 99999
    expect 2 vorpack pkg -o s.exe --stub stub.exe --page-size 601
    contains err.txt "multiple of 4"
    expect 2 vorpack pkg -o s.exe --stub stub.exe --page-size 131072
    [ ! -e s.exe ] || fail "a refused page size left an installer"
    SOURCE_DATE_EPOCH=yesterday expect 2 vorpack pkg -o s.exe --stub stub.exe
    expect 5 vorpack pkg -o s.exe --stub missing.exe
    expect 5 vorpack missing-folder -o s.exe --stub stub.exe
    expect 5 vorpack pkg -o missing-folder/s.exe --stub stub.exe
    contains err.txt "no such folder"
    printf '#!/bin/sh\n' >script.exe
    expect 1 vorpack pkg -o s.exe --stub script.exe
    contains err.txt "not a Windows program"
    expect 0 vorpack -q pkg -o s.exe --stub stub.exe
    [ ! -s out.txt ] || fail "--quiet printed a summary"
    # A finished installer cannot be the program of another one.
    expect 1 vorpack pkg -o s2.exe --stub s.exe
    contains err.txt "already carries a container"
    # An existing output is kept unless --force.
    cp s.exe before.exe
    expect 1 vorpack pkg -o s.exe --stub stub.exe -c 0
    contains err.txt "exists already"
    cmp -s s.exe before.exe || fail "an existing output was changed"
    expect 0 vorpack pkg -o s.exe --stub stub.exe -c 0 --force
    cmp -s s.exe before.exe && fail "--force kept the old output"
    # Two builds with one SOURCE_DATE_EPOCH are identical.
    SOURCE_DATE_EPOCH=1700000000 expect 0 vorpack pkg -o r1.exe --stub stub.exe -c 9
    touch pkg/JOB.INI
    SOURCE_DATE_EPOCH=1700000000 expect 0 vorpack pkg -o r2.exe --stub stub.exe -c 9
    cmp -s r1.exe r2.exe || fail "two builds with one epoch differ"
    ;;
  sign)
    # Signing through osslsigncode: a small real program in front (the
    # stand-in is no program a signing tool takes), a throw-away certificate.
    for tool_name in osslsigncode openssl i686-w64-mingw32-gcc i686-w64-mingw32-windres; do
      command -v "$tool_name" >/dev/null || fail "$tool_name is not installed (scripts/setup.sh installs it)"
    done
    make_example
    cp "$source_dir/src/installer/res/vor.ico" program.ico
    printf '1 ICON "program.ico"\n' >program.rc
    i686-w64-mingw32-windres program.rc -O coff -o program.res &&
      printf 'int main(void) { return 0; }\n' >program.c &&
      i686-w64-mingw32-gcc -O2 -s program.c program.res -o program.exe 2>build.txt ||
      { cat build.txt >&2; fail "the program to sign could not be built"; }
    openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
      -subj "/CN=Throw-away Test Publisher" -addext "extendedKeyUsage=codeSigning" >openssl.txt 2>&1 ||
      { cat openssl.txt >&2; fail "openssl could not make a certificate"; }
    expect 0 vorpack --no-progress pkg -o signed.exe --stub program.exe --sign-cert cert.pem \
      --sign-key key.pem --sign-url https://example.invalid/hello
    contains out.txt "signed with cert.pem"
    osslsigncode verify -in signed.exe -CAfile cert.pem >verify.txt 2>&1 ||
      { cat verify.txt >&2; fail "the signed installer does not verify"; }
    contains verify.txt "Signature verification: ok"
    contains verify.txt "Text description: Hello Setup"
    ls | grep -q 'vorpack-' && fail "a temporary file was left"
    read_back signed.exe
    # Nothing is written when signing cannot be done.
    VORPACK_SIGNING_TOOL=no-such-signing-tool expect 1 vorpack pkg -o s.exe --stub program.exe \
      --sign-cert cert.pem --sign-key key.pem
    contains err.txt "no-such-signing-tool is not installed (Debian and Ubuntu: apt-get install osslsigncode)"
    no_output s.exe
    printf 'not a certificate' >junk.pem
    expect 1 vorpack pkg -o s.exe --stub program.exe --sign-cert junk.pem --sign-key key.pem
    contains err.txt "osslsigncode ended with exit code"
    no_output s.exe
    expect 5 vorpack pkg -o s.exe --stub program.exe --sign-cert cert.pem --sign-key missing.pem
    contains err.txt "'missing.pem': no such key file for signing"
    no_output s.exe
    expect 2 vorpack pkg -o s.exe --stub program.exe --sign-cert cert.pem
    contains err.txt "--sign-cert and --sign-key go together"
    ;;
  interrupt)
    make_stub stub.exe
    make_example
    head -c 96000000 /dev/urandom >pkg/Programfiles/big.bin
    for sig in TERM KILL; do
      mkdir -p "out-$sig"
      "$vorpack_exe" --no-progress pkg -o "out-$sig/setup.exe" --stub stub.exe -c 9 \
        >out.txt 2>err.txt </dev/null &
      pid=$!
      # Wait until the packing runs: the temporary installer exists.
      for _ in $(seq 1 200); do
        ls "out-$sig" | grep -q 'vorpack-' && break
        sleep 0.05
      done
      sleep 0.3
      kill -s "$sig" "$pid" 2>/dev/null || fail "vorpack ended before it was interrupted"
      wait "$pid" && fail "an interrupted build reported success"
      [ ! -e "out-$sig/setup.exe" ] || fail "an interrupted build left the output (SIG$sig)"
      if [ "$sig" = TERM ]; then
        contains err.txt "interrupted"
        no_output "out-$sig/setup.exe"
      fi
    done
    ;;
  install)
    [ -n "$build_dir" ] || fail "no build folder"
    cmake --install "$build_dir" --prefix "$work/inst" >install.txt 2>&1 || {
      cat install.txt >&2
      fail "cmake --install failed"
    }
    for program in vorpack coffer; do
      ls "$work/inst/bin/" | grep -qx "$program\(\.exe\)\?" || fail "$program was not installed"
    done
    stub="$(sed -n 's/.*VORPACK_BUILD_TREE_STUB:FILEPATH=//p' "$build_dir/CMakeCache.txt")"
    if [ -f "$stub" ]; then
      [ -f "$work/inst/bin/VORSetup.exe" ] || fail "the installer program was not installed"
      # The installed vorpack finds the program beside itself.
      make_example
      "$work/inst/bin/vorpack" --no-progress pkg -o inst.exe >out.txt 2>err.txt ||
        { cat err.txt >&2; fail "the installed vorpack failed"; }
      same_code "$stub" inst.exe || fail "the installed program was not used"
    fi
    ;;
  *)
    fail "unknown scenario"
    ;;
esac
echo "ok [$scenario]"
