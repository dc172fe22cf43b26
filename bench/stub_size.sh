#!/usr/bin/env bash
# The size of the shipped installer program (the stub every installer starts
# with): what each download pays before the application's own bytes.
# Usage: stub_size.sh [VORSetup.exe [VORSetup.map]]   (default: the win32 build's)
#
# The first line gives the size against the goal. When the link map written
# beside the program is there (the installer's link writes VORSetup.map),
# a table follows: the bytes of each component (our libraries by folder, the
# runtime libraries, the codec libraries) in the program's sections, taken
# from the input sections the linker kept. Code compiled at link time
# (link-time optimisation) is attributed by its symbols to the library that
# defines them: the map names the function of every section, and the
# archives' symbol tables say which library defines it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
stub="${1:-$root/build/win32/src/installer/win32/VORSetup.exe}"
map="${2:-${stub%.exe}.map}"
goal=307200
[ -f "$stub" ] || { echo "stub_size: no program at $stub (build the win32 preset first)" >&2; exit 1; }
size=$(stat -c %s "$stub")
verdict="over the goal"
[ "$size" -le "$goal" ] && verdict="under the goal"
printf 'installer stub %s: %d bytes (%d KiB), goal <= %d bytes: %s\n' \
  "${stub#$root/}" "$size" $((size / 1024)) "$goal" "$verdict"
[ -f "$map" ] || exit 0

# Symbols of our libraries, for the sections of link-time compiled code: one
# "symbol component" line per defined symbol. The archives sit in the build
# folder that holds the program (build/<preset>/src/...).
build="${stub%/src/installer/win32/*}"
symbols="$(mktemp)"
trap 'rm -f "$symbols"' EXIT
dump_tool=""
for t in i686-w64-mingw32-objdump x86_64-w64-mingw32-objdump objdump; do
  if command -v "$t" >/dev/null; then dump_tool="$t"; break; fi
done
# The symbol tables of the objects' machine code (the objects carry it beside
# the intermediate form), local functions included.
defined_symbols() { # defined_symbols FILE COMPONENT
  "$dump_tool" -t "$1" 2>/dev/null |
    awk -v c="$2" '/^\[ *[0-9]+\]\(sec +[1-9][0-9]*\)/ {print $NF, c}'
}
if grep -q '\.ltrans\.o' "$map" && [ -n "$dump_tool" ] && [ -d "$build/src" ]; then
  find "$build/src" -name 'lib*.a' | sort | while read -r lib; do
    comp="${lib#$build/src/}"
    defined_symbols "$lib" "${comp%/lib*.a}"
  done >"$symbols"
  # The program's own objects (the Win32 view) are not in an archive.
  find "$build/src/installer/win32" -name '*.obj' | while read -r obj; do
    defined_symbols "$obj" installer/win32
  done >>"$symbols"
fi

awk -v filesize="$size" -v symfile="$symbols" '
function hex(s,    i, v) {
  v = 0
  s = tolower(s)
  sub(/^0x/, "", s)
  for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
  return v
}
function component(file, sect,    f, sym) {
  f = file
  if (f ~ /\.ltrans\.o$/ || f ~ /ltrans[0-9]*\.o$/) {
    # Link-time compiled code: the section name carries the symbol; the
    # unwind tables and the constants of the whole program come in one
    # section each.
    if (sect !~ /[$.]/ || sect ~ /^\.[a-z_]+$/) return "ours, whole-program sections"
    sym = sect
    sub(/^\.[a-z_]+(\$|\.)/, "", sym)
    sub(/^(unlikely|startup|hot)\./, "", sym)
    sub(/\.(constprop|isra|part|lto_priv|cold)\..*$/, "", sym)
    sub(/\.(constprop|isra|part|lto_priv|cold)$/, "", sym)
    sub(/@[0-9]+$/, "", sym)
    if ("_" sym in owner) return owner["_" sym]
    if (("_" sym "@") in stdcall) return stdcall["_" sym "@"]
    if (sym in owner) return owner[sym]
    if (sym ~ /^_ZN?K?St|^_ZN?K?9__gnu_cxx|^_ZSt/) return "ours, library templates"
    return "ours, not attributed"
  }
  if (f ~ /\.res$/) return "resources"
  if (f == "dll stuff") return "relocations"
  if (f ~ /\/src\/installer\/win32\// || f ~ /^src\/installer\/win32\//) return "installer/win32"
  if (match(f, /(^|\/)src\/[a-z_0-9\/]+\/lib[a-z_0-9]+\.a\(/)) {
    f = substr(f, RSTART, RLENGTH)
    sub(/^\/?src\//, "", f)
    sub(/\/lib[a-z_0-9]+\.a\($/, "", f)
    return f
  }
  if (f ~ /libstdc\+\+\.a/) return "libstdc++"
  if (f ~ /libgcc(_eh)?\.a/ || f ~ /crtbegin\.o|crtend\.o/) return "libgcc"
  if (f ~ /libmingwex\.a/) return "mingwex"
  if (f ~ /libmingw32\.a|crt2\.o|libmoldname\.a/) return "mingw startup"
  if (f ~ /libmsvcrt\.a/) return "msvcrt"
  if (f ~ /libwinpthread|libpthread\.a/) return "winpthreads"
  if (f ~ /libz\.a/) return "zlib"
  if (f ~ /libbz2\.a/) return "bzip2"
  if (f ~ /libjpeg\.a/) return "libjpeg"
  if (f ~ /\/lib(kernel32|user32|gdi32|comctl32|shell32|ole32|oleaut32|uuid|comdlg32|advapi32|winspool|windowscodecs|shlwapi)\.a/) return "system imports"
  return "other"
}
function add(sect, file, bytes,    c, col) {
  if (bytes == 0) return
  c = component(file, sect)
  col = outsect
  if (col != ".text" && col != ".eh_frame" && col != ".rdata" && col != ".data") col = "other"
  by[c, col] += bytes
  total[c] += bytes
  seen[c] = 1
}
BEGIN {
  while ((getline line < symfile) > 0) {
    split(line, p, " ")
    if (!(p[1] in owner)) owner[p[1]] = p[2]
    # Functions of the Windows calling convention carry their argument size.
    if (p[1] ~ /@[0-9]+$/) { q = p[1]; sub(/@[0-9]+$/, "@", q); stdcall[q] = p[2] }
  }
}
/^Linker script and memory map/ { inmap = 1; next }
!inmap { next }
/^\.[A-Za-z_]/ {
  outsect = $1
  keep = (outsect !~ /^\.(z?debug|stab)/ && NF >= 3)
  if (keep && outsect != ".bss") { outsize[outsect] = hex($3); order[++nout] = outsect }
  pending = ""
  next
}
!keep || outsect == ".bss" { next }
# An input section on one line: name, address, size, file.
/^ [^ ]+ +0x[0-9a-f]+ +0x[0-9a-f]+ +[^ ]/ {
  if ($1 == "*fill*") next
  file = $0; sub(/^ [^ ]+ +0x[0-9a-f]+ +0x[0-9a-f]+ +/, "", file)
  add($1, file, hex($3))
  pending = ""
  next
}
# A long input section name: address, size and file follow on the next line.
/^ [^ *][^ ]*$/ { pending = $1; next }
pending != "" && /^ +0x[0-9a-f]+ +0x[0-9a-f]+ +[^ ]/ {
  file = $0; sub(/^ +0x[0-9a-f]+ +0x[0-9a-f]+ +/, "", file)
  add(pending, file, hex($2))
  pending = ""
  next
}
{ pending = "" }
END {
  n = 0
  for (c in seen) names[++n] = c
  # Largest first.
  for (i = 2; i <= n; i++) {
    v = names[i]; j = i - 1
    while (j >= 1 && total[names[j]] < total[v]) { names[j + 1] = names[j]; j-- }
    names[j + 1] = v
  }
  printf "%-26s %9s %9s %9s %9s %9s %9s\n", "component", ".text", ".rdata", ".data", ".eh_frame", "other", "total"
  sum = 0
  for (i = 1; i <= n; i++) {
    c = names[i]
    printf "%-26s %9d %9d %9d %9d %9d %9d\n", c, by[c, ".text"], by[c, ".rdata"], by[c, ".data"], \
      by[c, ".eh_frame"], by[c, "other"], total[c]
    sum += total[c]
  }
  rest = filesize - sum
  printf "%-26s %59d\n", "headers and alignment", rest
  printf "%-26s %59d\n", "file", filesize
  printf "sections:"
  for (i = 1; i <= nout; i++) printf " %s %d", order[i], outsize[order[i]]
  printf "\n"
}' "$map"
