# The installer section of bench/compare.sh (sourced by it): installer size
# and install time for one payload, vorpack against an installer built with
# Debian's nsis package, and what the page size choice gives.
#
# Payloads (built in $WORK/installer, VOR_BENCH_MB in an installer-only run,
# at most 32 MB in a full run):
#   mixed      compare.sh's payload kind: text, binaries, 10 % random bytes;
#              many small files, some of them identical
#   distinct   the same without the files whose content another file has
#              already (NSIS stores identical files once; vorpack does not)
#   large      the same bytes as three large files (a tar of each part and
#              the random bytes)
#   bigfile    one 20 MiB file of random bytes among 277 small files (the
#              first text files of the payload up to 64 KiB, in byte order
#              of their paths): where decompression and the read path show
#
# Installers: vorpack at types 5 and 9 and with -c auto (the type that
# stores each file smallest, stored when none shrinks it) with the page size
# it chooses, at types 5 and 9 with the former fixed 4096 (not for bigfile),
# and makensis with zlib and bzip2, not solid.
# Installing: both installers run unattended (/S /D=) under the same 32-bit
# Wine (ours with /CURRENTUSER /NODESKTOP /NOQUICKLAUNCH: the package has no
# shortcuts). For the unpacking alone, the same container is extracted with
# coffer extract: the 32-bit coffer.exe under the same Wine and the native
# coffer. Every installed tree is compared with the payload in the first
# round (install.log aside).
#
# Environment (besides compare.sh's): VORPACK (a vorpack executable),
# VOR_BENCH_INSTALLER_MB (payload size; overrides the rule above),
# VOR_BENCH_VARIANTS (the payloads to build and install, default
# "mixed distinct large bigfile"),
# VOR_BENCH_WIN32 (the win32 build folder, default build/win32, configured
# with the win32 preset when missing; coffer.exe and VORSetup.exe are built
# there unless VOR_BENCH_NO_BUILD is set),
# VOR_BENCH_STUB_BEFORE (an earlier build's VORSetup.exe: the same containers
# are also built with it and installed in the same rounds, so that a change
# of the installer program is timed against what it replaces).

inst_mb="${VOR_BENCH_INSTALLER_MB:-}"
if [ -z "$inst_mb" ]; then
  inst_mb="$MB"
  if [ "$PART" = all ] && [ "$MB" -gt 32 ]; then inst_mb=32; fi
fi

# --- programs ------------------------------------------------------------------
if [ -z "${VORPACK:-}" ] && [ -x "$(dirname "$COFFER")/../vorpack/vorpack" ]; then
  VORPACK="$(dirname "$COFFER")/../vorpack/vorpack"
fi
[ -n "${VORPACK:-}" ] && [ -x "$VORPACK" ] || { echo "compare: no vorpack executable (VORPACK)" >&2; exit 1; }
VORPACK="$(cd "$(dirname "$VORPACK")" && pwd)/$(basename "$VORPACK")"
w32="${VOR_BENCH_WIN32:-$root/build/win32}"
if [ ! -f "$w32/CMakeCache.txt" ]; then
  (cd "$root" && cmake --preset win32 -Wno-dev >/dev/null)
fi
# VOR_BENCH_NO_BUILD=1 takes the programs as they are (to time an earlier build).
if [ -z "${VOR_BENCH_NO_BUILD:-}" ]; then
  cmake --build "$w32" --target coffer vor_installer_stub >/dev/null
fi
coffer_exe="$w32/tools/coffer/coffer.exe"
stub="$w32/src/installer/win32/VORSetup.exe"
[ -f "$coffer_exe" ] && [ -f "$stub" ] || { echo "compare: no coffer.exe or VORSetup.exe in $w32" >&2; exit 1; }
stub_before="${VOR_BENCH_STUB_BEFORE:-}"
[ -z "$stub_before" ] || [ -f "$stub_before" ] || { echo "compare: no program at $stub_before (VOR_BENCH_STUB_BEFORE)" >&2; exit 1; }
command -v makensis >/dev/null || { echo "compare: makensis is missing (Debian's nsis)" >&2; exit 1; }
installer_password="velmorakitan"

iwork="$WORK/installer"
mkdir -p "$iwork"
export WINEPREFIX="$iwork/wineprefix-win32"
wine_run() { bash "$root/scripts/wine-run.sh" --arch win32 "$@"; }
# A Windows path for a path below /: Wine maps / onto drive Z:.
winpath() { local p="$1"; printf 'Z:%s' "${p//\//\\}"; }
echo "compare: preparing the 32-bit Wine prefix"
wine_run "$coffer_exe" --version >/dev/null 2>&1 || { echo "compare: coffer.exe does not run under Wine" >&2; exit 1; }

# --- payloads --------------------------------------------------------------------
cd "$iwork"
saved_mb="$MB"
MB="$inst_mb"
istamp="payload-v2-$MB.stamp"
if [ ! -f "$istamp" ] || [ ! -d payload ]; then
  echo "compare: building a $MB MB installer payload in $iwork/payload"
  rm -rf distinct large pkg-*
  rm -f payload-v2-*.stamp
  build_payload
  want_manifest >"$istamp"
fi
MB="$saved_mb"
imanifest="$(cat "$istamp")"
if [ ! -d distinct ]; then
  # Hard links: the same bytes, no copy. The first path in byte order keeps
  # each content.
  cp -al payload distinct
  (cd distinct && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum |
    awk 'seen[$1]++ {print substr($0, 67)}' | while IFS= read -r f; do rm -f "$f"; done)
fi
if [ ! -d large ]; then
  mkdir -p large
  tar -C payload -cf large/text.tar text
  tar -C payload -cf large/bin.tar bin
  cp payload/random/random.bin large/random.bin
fi
if [ ! -d bigfile ]; then
  mkdir -p bigfile/files
  (cd payload/text && find . -type f -size -65k -printf '%P\n' | LC_ALL=C sort | awk 'NR <= 277') |
    while IFS= read -r f; do
      mkdir -p "bigfile/files/$(dirname "$f")"
      ln "payload/text/$f" "bigfile/files/$f"
    done
  # Random bytes under another fixed key than the payload's.
  head -c 20971520 /dev/zero |
    openssl enc -aes-128-ctr -K 0f0e0d0c0b0a09080706050403020100 \
      -iv 00000000000000000000000000000000 >bigfile/random.bin
fi
read -r -a variants <<<"${VOR_BENCH_VARIANTS:-mixed distinct large bigfile}"
variant_dir() { case "$1" in mixed) echo payload ;; *) echo "$1" ;; esac; }
has_variant() { [[ " ${variants[*]} " == *" $1 "* ]]; }
# A package folder per payload: a job file and the payload as Programfiles.
for v in "${variants[@]}"; do
  if [ ! -d "pkg-$v" ]; then
    mkdir -p "pkg-$v"
    printf 'Title=Benchmark\r\nAppname=Benchmark\r\nProgramDir=C:\\Program Files\\Benchmark\r\n' \
      >"pkg-$v/JOB.INI"
    cp -al "$(variant_dir "$v")" "pkg-$v/Programfiles"
  fi
done

# --- building the installers -----------------------------------------------------
# Each build: payload, label, file, command; sizes, build times and the
# page size vorpack took.
declare -A isize ibuild ipage
ibuilds=()
build_one() { # build_one VARIANT LABEL FILE COMMAND
  local v="$1" label="$2" file="$3" cmd="$4" t0 t1
  rm -f "$file"
  t0=$(date +%s%N)
  if ! bash -c "$cmd" >"$iwork/build.log" 2>&1; then
    echo "compare: building '$label' for $v failed:" >&2
    tail -n 20 "$iwork/build.log" >&2
    exit 1
  fi
  t1=$(date +%s%N)
  isize[$v/$label]=$(stat -c %s "$file")
  ibuild[$v/$label]=$(((t1 - t0) / 1000000))
  ipage[$v/$label]=$(sed -n 's/^  page size \([0-9]*\) bytes.*/\1/p' "$iwork/build.log")
  ibuilds+=("$v/$label")
  echo "compare: built '$label' for $v: ${isize[$v/$label]} bytes"
}
nsis_script() { # nsis_script VARIANT COMPRESSOR OUTFILE
  cat <<NSI
Unicode true
SetCompressor $2
Name "Benchmark"
OutFile "$3"
RequestExecutionLevel user
InstallDir "\$TEMP\\Benchmark"
SilentInstall silent
Section
  SetOutPath "\$INSTDIR"
  File /r "$iwork/$(variant_dir "$1")/*"
SectionEnd
NSI
}
for v in "${variants[@]}"; do
  for t in 5 9 auto; do
    build_one "$v" "vorpack -c $t" "$v-c$t.exe" \
      "\"$VORPACK\" --no-progress --force --stub \"$stub\" -c $t pkg-$v -o $v-c$t.exe"
    [ -z "$stub_before" ] || build_one "$v" "vorpack -c $t, earlier program" "$v-c$t-before.exe" \
      "\"$VORPACK\" --no-progress --force --stub \"$stub_before\" -c $t pkg-$v -o $v-c$t-before.exe"
    [ "$t" = auto ] || [ "$v" = bigfile ] && continue
    build_one "$v" "vorpack -c $t, 4096" "$v-c$t-4096.exe" \
      "\"$VORPACK\" --no-progress --force --stub \"$stub\" -c $t --page-size 4096 pkg-$v -o $v-c$t-4096.exe"
  done
  for c in zlib bzip2; do
    nsis_script "$v" "$c" "$v-nsis-$c.exe" >"$v-nsis-$c.nsi"
    build_one "$v" "NSIS $c" "$v-nsis-$c.exe" "makensis -V1 $v-nsis-$c.nsi"
  done
  build_one "$v" "zip -9" "$v.zip" "cd $(variant_dir "$v") && zip -q -r -9 ../$v.zip ."
done

# --- installing ----------------------------------------------------------------
# Each install: payload, label, command that installs into the folder "dest";
# timed in rounds, in turn.
ilabels=() icmds=()
install_config() { ilabels+=("$1/$2"); icmds+=("$3"); }
dest_win="$(winpath "$iwork/dest")"
for v in mixed distinct bigfile; do
  has_variant "$v" || continue
  for t in 5 9 auto; do
    for p in "" "-4096"; do
      [ "$t" != 5 ] || [ "$v" = bigfile ] && [ -n "$p" ] && continue
      install_config "$v" "vorpack -c $t${p:+, 4096}, silent (Wine)" \
        "bash \"$root/scripts/wine-run.sh\" --arch win32 $v-c$t$p.exe /S /CURRENTUSER /NODESKTOP /NOQUICKLAUNCH \"/D=$dest_win\""
    done
    [ -z "$stub_before" ] || install_config "$v" "vorpack -c $t, earlier program, silent (Wine)" \
      "bash \"$root/scripts/wine-run.sh\" --arch win32 $v-c$t-before.exe /S /CURRENTUSER /NODESKTOP /NOQUICKLAUNCH \"/D=$dest_win\""
  done
  for p in "" "-4096"; do
    [ "$v" = bigfile ] && [ -n "$p" ] && continue
    install_config "$v" "vorpack -c 5${p:+, 4096}, coffer extract (native)" \
      "COFFER_PASSWORD=$installer_password \"$COFFER\" --no-progress extract $v-c5$p.exe Programfiles -o dest"
  done
  install_config "$v" "vorpack -c 5, coffer.exe extract (Wine)" \
    "COFFER_PASSWORD=$installer_password bash \"$root/scripts/wine-run.sh\" --arch win32 \"$coffer_exe\" --no-progress extract \"$(winpath "$iwork/$v-c5.exe")\" Programfiles -o \"$dest_win\""
  for c in zlib bzip2; do
    install_config "$v" "NSIS $c, silent (Wine)" \
      "bash \"$root/scripts/wine-run.sh\" --arch win32 $v-nsis-$c.exe /S \"/D=$dest_win\""
  done
done
iresults="$iwork/results.txt"
: >"$iresults"
for ((run = 1; run <= RUNS; run++)); do
  for i in "${!ilabels[@]}"; do
    rm -rf dest
    t0=$(date +%s%N)
    if ! bash -c "${icmds[$i]}" >"$iwork/install.log" 2>&1; then
      echo "compare: '${ilabels[$i]}' failed:" >&2
      tail -n 20 "$iwork/install.log" >&2
      exit 1
    fi
    t1=$(date +%s%N)
    printf '%s\t%d\n' "${ilabels[$i]}" $(((t1 - t0) / 1000000)) >>"$iresults"
    if [ "$run" = 1 ] && ! diff -r -q -x install.log "$(variant_dir "${ilabels[$i]%%/*}")" dest >/dev/null; then
      echo "compare: '${ilabels[$i]}' did not install the payload" >&2
      exit 1
    fi
  done
  echo "compare: installer round $run/$RUNS done"
done
rm -rf dest

# --- the tables --------------------------------------------------------------------
imedian() {
  awk -F'\t' -v l="$1" '$1 == l {print $2}' "$iresults" | sort -n |
    awk '{v[NR] = $1} END {if (NR == 0) print ""; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}
mbytes() { awk -v b="$1" 'BEGIN {printf "%.2f", b / 1048576}'; }
over() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
secs() { awk -v m="$1" 'BEGIN {printf "%.2f", m / 1000}'; }
stub_bytes=$(stat -c %s "$stub")
{
  echo "Written by \`bench/compare.sh\` (installer section) on $(date -u +%Y-%m-%d)."
  echo
  echo "- Machine: $(lscpu | sed -n 's/^Model name: *//p' | head -n 1), $(nproc) cores, $(uname -sr); load average $(cut -d' ' -f1-3 /proc/loadavg) at the end"
  for v in "${variants[@]}"; do
    d="$(variant_dir "$v")"
    echo "- Payload $v: $(du -sb --apparent-size "$d" | cut -f1) bytes in $(find "$d" -type f | wc -l) files"
  done
  echo "- Payload manifest $imanifest ($inst_mb MB of compare.sh's kind); rounds: $RUNS, install times are medians of wall-clock seconds"
  echo "- Peers: makensis $(makensis -VERSION), $(zip -v | sed -n 2p | sed 's/^ *This is //;s/ by.*//;s/,*$//'); Wine $(/usr/lib/wine/wine --version 2>/dev/null), 32-bit prefix"
  echo "- The installer program is $(mbytes "$stub_bytes") MB of every vorpack installer"
  [ -z "$stub_before" ] || echo "- The earlier program (\"earlier program\" rows): $(stat -c %s "$stub_before") bytes against $stub_bytes"
  echo
  echo "| Payload | Installer | Page size | Size MB | vs zip -9 | vs NSIS zlib | vs NSIS bzip2 | Build s |"
  echo "|---|---|---:|---:|---:|---:|---:|---:|"
  for key in "${ibuilds[@]}"; do
    v="${key%%/*}"
    printf '| %s | %s | %s | %s | %s | %s | %s | %s |\n' "$v" "${key#*/}" "${ipage[$key]:-}" \
      "$(mbytes "${isize[$key]}")" "$(over "${isize[$key]}" "${isize[$v/zip -9]}")" \
      "$(over "${isize[$key]}" "${isize[$v/NSIS zlib]}")" \
      "$(over "${isize[$key]}" "${isize[$v/NSIS bzip2]}")" "$(secs "${ibuild[$key]}")"
  done
  echo
  echo "| Payload | Install | Seconds | vs NSIS zlib |"
  echo "|---|---|---:|---:|"
  for l in "${ilabels[@]}"; do
    v="${l%%/*}"
    printf '| %s | %s | %s | %s |\n' "$v" "${l#*/}" "$(secs "$(imedian "$l")")" \
      "$(over "$(imedian "$l")" "$(imedian "$v/NSIS zlib, silent (Wine)")")"
  done
  echo
  echo "## Installer targets"
  echo
  echo "| Target | Measured | Met |"
  echo "|---|---|---|"
  itarget() { # itarget TEXT VALUE LIMIT
    echo "| $1 | $2 | $(awk -v v="$2" -v l="$3" 'BEGIN {print (v <= l) ? "yes" : "no"}') |"
  }
  for t in 5 9; do
    has_variant mixed && has_variant distinct || continue
    itarget "mixed: vorpack -c $t / zip -9 <= 1.15" \
      "$(over "${isize[mixed/vorpack -c $t]}" "${isize[mixed/zip -9]}")" 1.15
    itarget "distinct: vorpack -c $t / NSIS bzip2 <= 1.2" \
      "$(over "${isize[distinct/vorpack -c $t]}" "${isize[distinct/NSIS bzip2]}")" 1.2
  done
  for v in mixed distinct bigfile; do
    has_variant "$v" || continue
    for t in 5 auto; do
      itarget "$v: install -c $t / NSIS zlib install <= 1" \
        "$(over "$(imedian "$v/vorpack -c $t, silent (Wine)")" \
          "$(imedian "$v/NSIS zlib, silent (Wine)")")" 1
    done
  done
} >"$iwork/table.md"

iout="${VOR_BENCH_OUT:-}"
if [ -z "$iout" ]; then
  if [ "$PART" = all ] && [ "$MB" = 256 ]; then iout="$root/docs/benchmarks.md"; else iout="$iwork/benchmarks.md"; fi
fi
put_table "$iout" "compare.sh installer" "$iwork/table.md"
echo "compare: installer table written to $iout"
cat "$iwork/table.md"
