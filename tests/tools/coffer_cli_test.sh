#!/usr/bin/env bash
# Integration scenarios of the coffer tool: runs the built program on a
# small tree and checks what it stores, lists, extracts and reports.
#
#   coffer_cli_test.sh SCENARIO COFFER [DAMAGE_HELPER]
#
# COFFER_RUNNER, when set, runs the program (wine-run.sh for Windows
# builds); paths are then passed relative to the scenario's folder, which
# the emulator maps onto its current drive.
set -uo pipefail
scenario="$1"
coffer_exe="$2"
damage="${3:-}"

work="$(mktemp -d "${TMPDIR:-/tmp}/coffer-test.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
unset COFFER_PASSWORD COFFER_FILE_PASSWORD

coffer() {
  if [ -n "${COFFER_RUNNER:-}" ]; then
    # shellcheck disable=SC2086
    $COFFER_RUNNER "$coffer_exe" --no-progress "$@" </dev/null
  else
    "$coffer_exe" --no-progress "$@" </dev/null
  fi
}

fail() {
  echo "FAIL [$scenario]: $*" >&2
  exit 1
}

# expect CODE COMMAND...: runs coffer, keeps stdout in out.txt and stderr in
# err.txt, and fails unless it exits with CODE.
expect() {
  local want="$1"
  shift
  coffer "$@" >out.txt 2>err.txt
  local got=$?
  if [ "$got" != "$want" ]; then
    echo "--- stdout" >&2; cat out.txt >&2
    echo "--- stderr" >&2; cat err.txt >&2
    fail "coffer $* exited with $got, expected $want"
  fi
}

contains() { grep -qF -- "$2" "$1" || { cat "$1" >&2; fail "'$1' lacks '$2'"; }; }
# The same for a path shown with either delimiter (the Windows build shows \).
contains_path() { grep -qE -- "$(printf '%s' "$2" | sed 's|/|[/\\\\]|g')" "$1" || { cat "$1" >&2; fail "'$1' lacks '$2'"; }; }

# The tree every round trip stores: an empty folder, a 0-byte file, a file
# larger than the largest block (1.5 MiB), a compressible one spanning
# several blocks, and small files in nested folders.
make_tree() {
  mkdir -p tree/empty tree/sub/deeper tree/sub/also-empty
  : >tree/zero.bin
  printf 'hello\n' >tree/a.txt
  head -c 1700000 /dev/urandom >tree/sub/random.bin
  yes 'a line that compresses well' | head -c 3300000 >tree/sub/deeper/text.txt
  printf 'x' >tree/sub/deeper/one.txt
  touch -d '2001-02-03 04:05:06' tree/a.txt
}

roundtrip() {
  local type="$1"
  make_tree
  expect 0 create t.cof -c "$type"
  expect 0 add t.cof tree
  expect 0 list t.cof
  contains out.txt "tree/sub/deeper/text.txt"
  contains out.txt "tree/empty/"
  contains out.txt "5 files, 5 folders"
  expect 0 list --json t.cof tree/sub/random.bin
  contains out.txt "\"size\": 1700000"
  if [ "$type" != 0 ]; then contains out.txt "\"compression\": $type"; fi
  expect 0 extract t.cof -o out
  diff -r tree out/tree >/dev/null || fail "extracted tree differs"
  # A file named alone is extracted alone, into the target folder.
  expect 0 extract t.cof -o one tree/sub/random.bin
  cmp -s one/random.bin tree/sub/random.bin || fail "a file named alone was not extracted"
  [ "$(ls one)" = random.bin ] || fail "naming one file extracted more"
  [ -d out/tree/empty ] && [ -d out/tree/sub/also-empty ] || fail "empty folders missing"
  [ "$(stat -c %Y out/tree/a.txt)" = "$(stat -c %Y tree/a.txt)" ] || fail "last-write time lost"
  expect 0 check t.cof
  contains out.txt "result: ok"
}

damaged() {
  local kind="$1"
  [ -n "$damage" ] || fail "no damage helper"
  make_tree
  expect 0 create t.cof -c 5
  expect 0 add t.cof tree
  local page
  page="$("$damage" t.cof "$kind")" || fail "damage helper failed"
  expect 4 check t.cof
  contains out.txt "result: damaged"
  case "$kind" in
    dir) contains out.txt "page $page (directory): checksum mismatch" ;;
    # The helper damages the largest file, tree/sub/random.bin.
    map) contains out.txt "page $page (page map): checksum mismatch"
         contains out.txt "file tree/sub/random.bin: page map:" ;;
    data) contains out.txt "page $page (file tree/sub/random.bin): checksum mismatch"
          contains out.txt "file tree/sub/random.bin: TCFRAdvancedFileStream" ;;
    block) contains out.txt "file tree/sub/random.bin: TCFRAdvancedFileStream.LoadBlock"
           grep -q "^  page" out.txt && fail "a block damage showed as a page damage" ;;
  esac
  # A container whose directory or maps fail their checks is not changed.
  if [ "$kind" = dir ] || [ "$kind" = map ]; then
    cp t.cof before.cof
    printf 'new\n' >new.txt
    expect 4 add t.cof new.txt
    cmp -s t.cof before.cof || fail "add changed a damaged container"
    expect 4 rm t.cof tree/a.txt
    cmp -s t.cof before.cof || fail "rm changed a damaged container"
  fi
  # Reading the damaged file reports damage too.
  if [ "$kind" != dir ]; then
    expect 4 cat t.cof tree/sub/random.bin
  fi
  # So does extracting, where the blocks are unpacked on worker threads:
  # the damaged file is named and left out, the others are extracted.
  if [ "$kind" = data ] || [ "$kind" = block ]; then
    rm -rf out
    expect 4 extract t.cof -o out
    contains err.txt "'tree/sub/random.bin': the stored data is damaged"
    contains err.txt "1 damaged file(s) not extracted"
    [ -e out/tree/sub/random.bin ] && fail "the damaged file was left on disk"
    cmp -s out/tree/sub/deeper/text.txt tree/sub/deeper/text.txt || fail "text.txt not extracted"
    cmp -s out/tree/a.txt tree/a.txt || fail "a.txt not extracted"
  fi
}

case "$scenario" in
  locked)
    # A container another program holds is reported as in use, not damaged.
    command -v flock >/dev/null || { echo "no flock here: skipped"; exit 0; }
    printf 'x\n' >x.txt
    expect 0 create t.cof
    expect 0 add t.cof x.txt
    for command in "list t.cof" "add t.cof x.txt"; do
      # shellcheck disable=SC2086
      flock -x t.cof "$coffer_exe" --no-progress $command >out.txt 2>err.txt &&
        fail "$command ran on a locked container"
      [ $? -eq 1 ] || fail "$command on a locked container: exit code not 1"
      contains err.txt "'t.cof' is in use by another program"
    done
    ;;
  names)
    # Name components over 255 bytes (no disk takes them) are refused
    # before anything is written.
    expect 0 create t.cof
    printf 'x\n' >x.txt
    expect 0 add t.cof x.txt --to "$(printf 'n%.0s' $(seq 255))"
    cp t.cof before.cof
    expect 1 add t.cof x.txt --to "$(printf 'm%.0s' $(seq 256))"
    contains err.txt "longer than 255 bytes"
    cmp -s t.cof before.cof || fail "a refused add changed the container"
    ;;
  roundtrip_type[0-9])
    roundtrip "${scenario#roundtrip_type}"
    ;;
  add_auto)
    # Each file gets the type that stores it smallest, or none when the
    # first type saves nothing: random bytes, an empty file and a few bytes
    # are stored as they are, text is compressed. A file too large to be
    # packed ahead gets the type chosen for its first bytes.
    make_tree
    head -c 17000000 /dev/urandom >tree/large.bin
    expect 0 create t.cof -c 5
    expect 0 add -c auto t.cof tree
    for file in zero.bin a.txt sub/random.bin sub/deeper/one.txt large.bin; do
      expect 0 list --json t.cof "tree/$file"
      contains out.txt "\"compression\": 0"
    done
    expect 0 list --json t.cof tree/sub/deeper/text.txt
    grep -qE '"compression": (5|9)[,}]?$' out.txt || { cat out.txt >&2; fail "text.txt not compressed"; }
    expect 0 extract t.cof -o out
    diff -r tree out/tree >/dev/null || fail "extracted tree differs"
    expect 0 check t.cof
    contains out.txt "result: ok"
    # The container's default type is kept.
    expect 0 info t.cof
    contains out.txt "Default compression"
    grep -q "Default compression *5 " out.txt || { cat out.txt >&2; fail "default type changed"; }
    # A list of types to try; a bad one changes nothing.
    printf 'more text more text more text more text more text more text\n%.0s' $(seq 100) >more.txt
    expect 0 add -c auto:1 t.cof more.txt
    expect 0 list --json t.cof more.txt
    contains out.txt "\"compression\": 1"
    cp t.cof before.cof
    expect 2 add -c auto:5,5 t.cof more.txt
    contains err.txt "type 5 is listed twice in 'auto:5,5'"
    cmp -s t.cof before.cof || fail "a refused add changed the container"
    ;;
  roundtrip_small)
    # The round trip and listing the Windows build runs: no large files.
    mkdir -p tree/empty tree/sub
    printf 'hello\r\n' >tree/a.txt
    : >tree/zero.bin
    head -c 70000 /dev/urandom >tree/sub/r.bin
    expect 0 create t.cof
    expect 0 add t.cof tree
    expect 0 list t.cof
    contains out.txt "3 files, 3 folders"
    expect 0 extract t.cof -o out
    diff -r tree out/tree >/dev/null || fail "extracted tree differs"
    [ -d out/tree/empty ] || fail "empty folder missing"
    expect 0 cat t.cof tree/a.txt
    cmp -s out.txt tree/a.txt || fail "cat differs"
    ;;
  password)
    make_tree
    export COFFER_PASSWORD='s3cret pass'
    expect 0 create t.cof --password -c 7
    expect 0 add t.cof tree
    grep -q "a line that compresses" t.cof && fail "content stored in the clear"
    expect 0 extract t.cof -o out
    diff -r tree out/tree >/dev/null || fail "extracted tree differs"
    expect 0 check t.cof
    COFFER_PASSWORD=wrong expect 3 list t.cof
    contains err.txt "wrong password"
    unset COFFER_PASSWORD
    expect 3 list t.cof
    contains err.txt "COFFER_PASSWORD"
    ;;
  file_password)
    make_tree
    expect 0 create t.cof
    COFFER_FILE_PASSWORD=filepw expect 0 add t.cof --file-password tree/a.txt
    expect 0 add t.cof tree/zero.bin
    COFFER_FILE_PASSWORD=filepw expect 0 cat t.cof a.txt
    cmp -s out.txt tree/a.txt || fail "cat with the file password differs"
    COFFER_FILE_PASSWORD=wrong expect 3 cat t.cof a.txt
    COFFER_FILE_PASSWORD=filepw expect 0 extract t.cof -o out
    cmp -s out/a.txt tree/a.txt || fail "extracted file differs"
    ;;
  check_dir | check_map | check_data | check_block)
    damaged "${scenario#check_}"
    ;;
  codepage)
    cafe="caf"$'\xc3\xa9'
    gruesse="Gr"$'\xc3\xbc\xc3\x9f'"e.txt"
    mkdir -p "tree/$cafe"
    printf 'accent\n' >"tree/$cafe/$gruesse"
    expect 0 create t.cof
    expect 0 add t.cof tree
    # Stored in Windows-1252: e-acute is E9, u-umlaut FC, sharp s DF.
    grep -qa $'Gr\xfc\xdfe.txt' t.cof || fail "name not stored in code page 1252"
    expect 0 list t.cof
    contains out.txt "tree/$cafe/$gruesse"
    expect 0 list --codepage 437 t.cof
    contains out.txt "tree/caf"$'\xce\x98'
    expect 0 extract t.cof -o out
    cmp -s "out/tree/$cafe/$gruesse" "tree/$cafe/$gruesse" || fail "name did not come back"
    # Names compare without regard to case, also beyond ASCII.
    expect 0 cat t.cof "tree/CAF"$'\xc3\x89'"/gr"$'\xc3\xbc\xc3\x9f'"e.txt"
    contains out.txt "accent"
    # A name without a form in the code page is refused before anything
    # is written.
    cp t.cof before.cof
    mkdir -p more && printf 'x\n' >more/ok.txt && printf 'y\n' >"more/"$'\xe6\x97\xa5'".txt"
    expect 1 add t.cof more
    contains err.txt "cannot be represented in code page 1252"
    cmp -s t.cof before.cof || fail "the container changed"
    expect 2 list --codepage 99999 t.cof
    ;;
  prefix)
    make_tree
    expect 0 create t.cof
    expect 0 add t.cof tree/a.txt tree/sub
    { printf 'MZ'; head -c 50000 /dev/urandom; cat t.cof; } >setup.exe
    expect 0 list setup.exe
    contains out.txt "a.txt"
    contains_path out.txt "sub/deeper/text.txt"
    expect 0 info --json setup.exe
    contains out.txt "\"prefixLength\": 50002"
    expect 0 extract setup.exe -o out sub
    diff -r tree/sub out >/dev/null || fail "extracted folder differs"
    expect 0 check setup.exe
    ;;
  edit)
    make_tree
    expect 0 create t.cof
    expect 0 add t.cof --to docs/2024 tree/a.txt
    expect 0 mkdir t.cof x/y/z
    expect 0 list --json t.cof
    contains out.txt "\"path\": \"docs/2024/a.txt\""
    contains out.txt "\"path\": \"x/y/z\""
    # Replacing keeps one entry with the new content.
    printf 'changed\n' >tree/a.txt
    expect 0 add t.cof --to docs/2024 tree/a.txt
    expect 0 cat t.cof docs/2024/a.txt
    [ "$(cat out.txt)" = changed ] || fail "the name was not replaced"
    expect 0 list t.cof
    contains out.txt "1 files, 5 folders"
    # A file cannot take a folder's place, nor a folder a file's.
    mkdir -p tree2/x && printf 'q' >tree2/x/y
    expect 1 add t.cof tree2/x
    expect 1 rm t.cof x
    contains err.txt "-r"
    expect 0 rm -r t.cof x docs/2024/a.txt
    expect 0 list t.cof
    contains out.txt "0 files, 2 folders"
    expect 1 rm t.cof nothing/here
    expect 1 cat t.cof docs
    expect 0 check t.cof
    ;;
  overwrite)
    mkdir -p tree && printf 'new\n' >tree/f.txt
    expect 0 create t.cof
    expect 0 add t.cof tree/f.txt
    mkdir out && printf 'old\n' >out/f.txt
    expect 0 extract t.cof -o out --overwrite skip
    [ "$(cat out/f.txt)" = old ] || fail "skip replaced the file"
    expect 0 extract t.cof -o out
    [ "$(cat out/f.txt)" = old ] || fail "the default without a terminal replaced the file"
    expect 0 extract t.cof -o out --overwrite replace
    [ "$(cat out/f.txt)" = new ] || fail "replace kept the file"
    expect 2 extract t.cof -o out --overwrite sometimes
    expect 1 extract t.cof -o out nothing.txt
    ;;
  page_sizes)
    # Containers made with other page sizes than the default list, extract
    # and check alike; sizes the format cannot take are refused as usage
    # errors and leave no file.
    make_tree
    for size in 600 1024 4096 65536; do
      rm -rf out
      expect 0 create "p$size.cof" --page-size "$size" -c 5
      expect 0 add "p$size.cof" tree
      expect 0 info --json "p$size.cof"
      contains out.txt "\"pageSize\": $size,"
      expect 0 list "p$size.cof"
      contains out.txt "5 files, 5 folders"
      expect 0 extract "p$size.cof" -o out
      diff -r tree out/tree >/dev/null || fail "extracted tree differs at page size $size"
      [ -d out/tree/sub/also-empty ] || fail "empty folder missing at page size $size"
      expect 0 check "p$size.cof"
      contains out.txt "result: ok"
    done
    # With a password: the page key guards the smaller pages too.
    COFFER_PASSWORD='page pass' expect 0 create pw.cof --page-size 1056 --password -c 7
    COFFER_PASSWORD='page pass' expect 0 add pw.cof tree
    rm -rf out
    COFFER_PASSWORD='page pass' expect 0 extract pw.cof -o out
    diff -r tree out/tree >/dev/null || fail "extracted tree differs with a password"
    COFFER_PASSWORD='wrong' expect 3 list pw.cof
    [ -e pw.cof-new ] && fail "the temporary container was left"
    for size in 599 601 65540 70000 -4096 4k ""; do
      expect 2 create "bad.cof" --page-size "$size"
      contains err.txt "--page-size"
      [ -e bad.cof ] && fail "a refused page size $size left a file"
    done
    ;;
  usage)
    expect 0 --help
    contains out.txt "Exit codes"
    expect 0 extract --help
    contains out.txt "--overwrite"
    expect 0 --version
    expect 2 frobnicate x
    expect 2 list
    expect 2 create t.cof -c 10
    expect 2 list --password=x t.cof
    expect 5 list missing.cof
    printf 'not a container at all' >junk.cof
    expect 4 list junk.cof
    expect 0 create t.cof
    expect 1 create t.cof
    ;;
  interrupt)
    # Ctrl+C during an extraction: strace delivers SIGINT when the n-th disk
    # file is created (its flock call, the share lock every created file
    # takes); that file is removed, the ones before it stay whole. The
    # container's own opens take locks first: an extraction traced once
    # counts them.
    strace -f -o /dev/null -e inject=flock:signal=INT:when=1 true 2>/dev/null ||
      { echo "strace cannot inject signals here: skipped"; exit 0; }
    make_tree
    yes 'another line' | head -c 2500000 >tree/sub/more.txt
    expect 0 create t.cof -c 5
    expect 0 add t.cof tree
    # The leak checker of sanitizer builds cannot work under a tracer.
    export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
    rm -rf out
    strace -f -e trace=flock,openat -o calibrate.txt \
      "$coffer_exe" --no-progress extract t.cof -o out </dev/null >out.txt 2>err.txt ||
      fail "the extraction to count the container's locks failed"
    locks=$(awk '/openat\(.*"out\// { exit } /flock\(/ { k++ } END { print k + 0 }' calibrate.txt)
    for n in 1 2 4 6; do
      rm -rf out
      strace -f -o /dev/null -e inject=flock:signal=INT:when="$((locks + n))" \
        "$coffer_exe" --no-progress extract t.cof -o out </dev/null >out.txt 2>err.txt
      got=$?
      [ "$got" = 1 ] || { cat err.txt >&2; fail "extract interrupted at file $n exited with $got"; }
      contains err.txt "interrupted"
      whole=0
      while IFS= read -r f; do
        cmp -s "$f" "${f#out/}" || fail "'$f' is left incomplete after an interrupt at file $n"
        whole=$((whole + 1))
      done < <(find out -type f)
      [ "$whole" -eq $((n - 1)) ] || fail "$whole whole files after an interrupt at file $n"
    done
    ;;
  *)
    fail "unknown scenario"
    ;;
esac
echo "ok [$scenario]"
