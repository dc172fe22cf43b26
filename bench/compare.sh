#!/usr/bin/env bash
# Times the `coffer` tool against the archivers people would use instead, on
# one payload, and writes a markdown table with medians, ratios, sizes and
# peak memory.
#
#   bench/compare.sh                 full run: ~256 MB payload, 3 rounds,
#                                    table written to docs/benchmarks.md
#   VOR_BENCH_MB=32 bench/compare.sh quick run; table in the work folder
#   VOR_BENCH_PART=installer VOR_BENCH_MB=32 bench/compare.sh
#                                    the installer section alone (about
#                                    ten minutes on 2 loaded cores; see
#                                    bench/installers.sh)
#
# Environment:
#   VOR_BENCH_PART   all (default), archivers or installer
#   VOR_BENCH_MB     payload size in MB (default 256; 32 for the installer
#                    section alone, which takes at most 32 MB in a full run)
#   VOR_BENCH_RUNS   rounds; every round runs every tool once (default 3)
#   VOR_BENCH_TYPES  coffer compression types (default "1 5 7 3 6")
#   VOR_BENCH_DIR    work folder (default /dev/shm/vor-compare, else
#                    build/compare); needs about 8 times the payload size
#   VOR_BENCH_OUT    where the table goes (default docs/benchmarks.md for a
#                    full-size run, the work folder otherwise)
#   COFFER           a coffer executable to use instead of building one
#
# Rounds alternate the tools (A B C ... A B C ...) so that a change of load
# on the machine spreads over all of them; the table shows medians, and every
# ratio compares medians of the same run.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"

PART="${VOR_BENCH_PART:-all}"
case "$PART" in all | archivers | installer) ;; *)
  echo "compare: VOR_BENCH_PART is all, archivers or installer" >&2
  exit 2
  ;;
esac
if [ "$PART" = installer ]; then MB="${VOR_BENCH_MB:-32}"; else MB="${VOR_BENCH_MB:-256}"; fi
RUNS="${VOR_BENCH_RUNS:-3}"
TYPES="${VOR_BENCH_TYPES:-1 5 7 3 6}"
# The work folder lives in memory (tmpfs) when it can: on this machine's disk,
# creating a few thousand files costs seconds of system time in every tool and
# would hide the differences between them.
if [ -z "${VOR_BENCH_DIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  WORK=/dev/shm/vor-compare
else
  WORK="${VOR_BENCH_DIR:-$root/build/compare}"
fi
if [ -n "${VOR_BENCH_OUT:-}" ]; then
  OUT="$VOR_BENCH_OUT"
elif [ "$MB" = 256 ]; then
  OUT="$root/docs/benchmarks.md"
else
  OUT="$WORK/benchmarks.md"
fi
PASSWORD="bench-password-1"

# --- peers, installed from Debian when missing (idempotent) -----------------
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
packages=(zip unzip p7zip-full gzip bzip2 tar time openssl cmake ninja-build)
if [ "$PART" != archivers ]; then packages+=(nsis); fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "compare: installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

# --- the coffer tool, a Release build ---------------------------------------
if [ -z "${COFFER:-}" ]; then
  bdir="$root/build/compare-release"
  cmake -S "$root" -B "$bdir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOR_BUILD_TESTS=OFF \
    -Wno-dev >/dev/null
  cmake --build "$bdir" --target coffer vorpack >/dev/null
  COFFER="$(find "$bdir" -type f -name coffer -perm -u+x | head -n 1)"
  VORPACK="${VORPACK:-$(find "$bdir" -type f -name vorpack -perm -u+x | head -n 1)}"
fi
[ -x "$COFFER" ] || { echo "compare: no coffer executable" >&2; exit 1; }
COFFER="$(cd "$(dirname "$COFFER")" && pwd)/$(basename "$COFFER")"

mkdir -p "$WORK"
cd "$WORK"

# --- the payload -------------------------------------------------------------
# Three parts: text (headers, documentation, scripts), binaries (programs,
# libraries, message catalogues, icons) and random bytes from a fixed key. The
# files are taken in byte order of their paths, so the same machine gives the
# same payload every time; the manifest hash in the table identifies it.
# Names the container cannot hold are left out: characters outside a safe
# set, components over 200 characters, and paths that differ only in case.
build_payload() {
  local total=$((MB * 1024 * 1024))
  local text=$((total / 2)) bin=$((total * 2 / 5)) rnd=$((total / 10))
  rm -rf payload payload.tmp && mkdir -p payload.tmp/text payload.tmp/bin payload.tmp/random
  local part quota list tab=$'\t'
  for part in text bin; do
    if [ "$part" = text ]; then
      quota=$text
      list=(/usr/include /usr/share/doc /usr/share/perl /usr/share/vim /usr/share/i18n
        /usr/share/mime /usr/lib/python3)
    else
      quota=$bin
      list=(/usr/bin /usr/lib/x86_64-linux-gnu /usr/lib /usr/share/locale /usr/share/icons)
    fi
    : >"$WORK/picked.tmp"
    local r n=${#list[@]} left=$quota share
    for r in "${list[@]}"; do
      if [ -d "$r" ]; then
        share=$((left / n))
        find "$r" -type f -size -16M -printf '%s\t%p\n' 2>/dev/null | LC_ALL=C sort -t "$tab" -k2 |
          awk -F '\t' -v share="$share" -v prev="$WORK/picked.tmp" '
            # A path is refused when it, or one of its folders, differs only
            # in case from one taken before (the container ignores case).
            function fits(path,   n, c, i, pre, k) {
              n = split(path, c, "/"); pre = ""
              for (i = 1; i <= n; i++) {
                pre = pre "/" c[i]; k = tolower(pre)
                if ((k in seen) && seen[k] != pre) return 0
                if (i == n && (k in seen)) return 0
              }
              return 1
            }
            function take(path,   n, c, i, pre) {
              n = split(path, c, "/"); pre = ""
              for (i = 1; i <= n; i++) { pre = pre "/" c[i]; seen[tolower(pre)] = pre }
            }
            BEGIN { while ((getline l < prev) > 0) { split(l, f, "\t"); take(substr(f[2], 2)) } }
            $2 !~ /^[A-Za-z0-9._+\/-]+$/ { next }
            { split($2, c, "/"); for (i in c) if (length(c[i]) > 200) next }
            !fits(substr($2, 2)) { next }
            sum + $1 <= share { sum += $1; take(substr($2, 2)); print }' >"$WORK/picked.add"
        cat "$WORK/picked.add" >>"$WORK/picked.tmp"
        left=$((quota - $(awk '{s += $1} END {print s + 0}' "$WORK/picked.tmp")))
      fi
      n=$((n - 1))
    done
    awk -F '\t' '{print substr($2, 2)}' "$WORK/picked.tmp" >"$WORK/picked.list"
    tar -C / --no-recursion -cf - -T "$WORK/picked.list" | tar -C "payload.tmp/$part" -xf -
  done
  # Random bytes: AES-128-CTR of zero bytes under a fixed key and IV.
  head -c "$rnd" /dev/zero |
    openssl enc -aes-128-ctr -K 000102030405060708090a0b0c0d0e0f \
      -iv 00000000000000000000000000000000 >payload.tmp/random/random.bin
  mv payload.tmp payload
}
want_manifest() {
  (cd payload && find . -type f -printf '%P %s\n' | LC_ALL=C sort) | sha256sum | cut -c1-16
}
stamp="payload-v2-$MB.stamp"
if [ ! -f "$stamp" ] || [ ! -d payload ]; then
  echo "compare: building a $MB MB payload in $WORK/payload"
  # The stamp of a payload of another size no longer describes the folder.
  rm -f payload-v2-*.stamp
  build_payload
  want_manifest >"$stamp"
fi
manifest="$(cat "$stamp")"
payload_bytes=$(du -sb --apparent-size payload | cut -f1)
payload_files=$(find payload -type f | wc -l)
echo "compare: payload $payload_bytes bytes in $payload_files files, manifest $manifest"

# The table between two marker lines of a file: put_table FILE NAME TABLE
# replaces what stands between "<!-- NAME: begin -->" and "<!-- NAME: end -->"
# with TABLE's lines and keeps the text around them; a file without the
# markers gets them with the table at its end.
put_table() {
  local file="$1" begin="<!-- $2: begin -->" end="<!-- $2: end -->" table="$3"
  if [ -f "$file" ] && grep -qF "$begin" "$file" && grep -qF "$end" "$file"; then
    awk -v b="$begin" -v e="$end" -v t="$table" '
      $0 == b {print; while ((getline l < t) > 0) print l; skip = 1; next}
      $0 == e {skip = 0}
      !skip {print}' "$file" >"$file.new"
    mv "$file.new" "$file"
  else
    { echo "$begin"; cat "$table"; echo "$end"; } >>"$file"
  fi
}

if [ "$PART" != installer ]; then
# --- the tools ---------------------------------------------------------------
# Each configuration: a label, an archive name, an add command and an extract
# command (run in $WORK, extracting into the folder "out").
labels=() archives=() adds=() extracts=() groups=()
config() { labels+=("$1"); archives+=("$2"); adds+=("$3"); extracts+=("$4"); groups+=("$5"); }
for t in $TYPES; do
  config "coffer -c $t" "a$t.cof" \
    "\"$COFFER\" create a$t.cof -c $t && \"$COFFER\" add a$t.cof -c $t payload" \
    "\"$COFFER\" extract a$t.cof -o out" coffer
done
config "coffer -c 5, password" "ap.cof" \
  "COFFER_PASSWORD=$PASSWORD \"$COFFER\" create ap.cof -c 5 --password && COFFER_PASSWORD=$PASSWORD \"$COFFER\" add ap.cof -c 5 payload" \
  "COFFER_PASSWORD=$PASSWORD \"$COFFER\" extract ap.cof -o out" coffer
config "zip -9 / unzip" "a.zip" "zip -q -r -9 a.zip payload" "unzip -q a.zip -d out" peer
config "tar + gzip (-6)" "a.tgz" "tar -czf a.tgz payload" "mkdir -p out && tar -xzf a.tgz -C out" peer
config "tar + bzip2 (-9)" "a.tbz" "tar -cjf a.tbz payload" "mkdir -p out && tar -xjf a.tbz -C out" peer
config "7z Deflate" "d.7z" "7z a -bd -m0=Deflate d.7z payload" "7z x -bd -oout d.7z" peer
config "7z BZip2" "b.7z" "7z a -bd -m0=BZip2 b.7z payload" "7z x -bd -oout b.7z" peer
config "7z PPMd" "p.7z" "7z a -bd -m0=PPMd p.7z payload" "7z x -bd -oout p.7z" peer
config "7z Deflate, AES-256" "e.7z" "7z a -bd -m0=Deflate -p$PASSWORD e.7z payload" \
  "7z x -bd -p$PASSWORD -oout e.7z" peer

results="$WORK/results.txt"
: >"$results"
# timed LABEL OP COMMAND: wall time in ms and peak resident set in KB.
timed() {
  local label="$1" op="$2" cmd="$3" t0 t1
  t0=$(date +%s%N)
  if ! /usr/bin/time -f '%M' -o "$WORK/rss.txt" bash -c "$cmd" >"$WORK/cmd.log" 2>&1; then
    echo "compare: '$label' $op failed:" >&2
    tail -n 20 "$WORK/cmd.log" >&2
    exit 1
  fi
  t1=$(date +%s%N)
  printf '%s\t%s\t%d\t%s\n' "$label" "$op" $(((t1 - t0) / 1000000)) \
    "$(tail -n 1 "$WORK/rss.txt")" >>"$results"
}
load_start="$(cut -d' ' -f1-3 /proc/loadavg)"
sync
for ((run = 1; run <= RUNS; run++)); do
  for i in "${!labels[@]}"; do
    rm -rf out "${archives[$i]}"
    timed "${labels[$i]}" add "${adds[$i]}"
    stat -c %s "${archives[$i]}" >"size.$i"
    timed "${labels[$i]}" extract "${extracts[$i]}"
    if [ "$run" = 1 ] && ! diff -r -q payload out/payload >/dev/null; then
      echo "compare: '${labels[$i]}' did not give back the payload" >&2
      exit 1
    fi
    echo "compare: round $run/$RUNS ${labels[$i]} done"
  done
done
rm -rf out "${archives[@]}"
load_end="$(cut -d' ' -f1-3 /proc/loadavg)"

# --- the table ----------------------------------------------------------------
median() { # median LABEL OP FIELD(3 = ms, 4 = KB)
  awk -F'\t' -v l="$1" -v o="$2" -v f="$3" '$1 == l && $2 == o {print $f}' "$results" |
    sort -n | awk '{v[NR] = $1} END {if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}
maxof() {
  awk -F'\t' -v l="$1" -v o="$2" -v f="$3" '$1 == l && $2 == o && $f > m {m = $f} END {print m + 0}' "$results"
}
declare -A add_ms ext_ms size rss
for i in "${!labels[@]}"; do
  l="${labels[$i]}"
  add_ms[$l]=$(median "$l" add 3)
  ext_ms[$l]=$(median "$l" extract 3)
  size[$l]=$(cat "size.$i")
  rss[$l]=$(maxof "$l" extract 4)
done
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
mbps() { awk -v b="$payload_bytes" -v ms="$1" 'BEGIN {printf "%.1f", b / 1048576 / (ms / 1000)}'; }
zipl="zip -9 / unzip"
cpu="$(lscpu | sed -n 's/^Model name: *//p' | head -n 1)"
{
  echo "Written by \`bench/compare.sh\` on $(date -u +%Y-%m-%d)."
  echo
  echo "- Machine: $cpu, $(nproc) cores, $(free -g | awk '/^Mem:/ {print $2}') GiB memory, $(uname -sr)"
  echo "- Load average (1, 5, 15 min): $load_start at the start, $load_end at the end"
  echo "- Payload: $payload_bytes bytes in $payload_files files (text, binaries, 10 % random bytes), manifest $manifest"
  echo "- Rounds: $RUNS; times are medians of wall-clock seconds, each round runs every tool once in the order below"
  echo "- Peers: $(zip -v | sed -n 2p | sed 's/^ *This is //;s/ by.*//;s/,*$//'), $(gzip --version | head -n 1), bzip2 $(bzip2 --help 2>&1 | head -n 1 | sed 's/.*Version //;s/,.*//'), $(7z i 2>/dev/null | grep -m1 -o 'p7zip Version [0-9.]*')"
  echo
  echo "| Tool | Size MB | % of payload | Add s | Add MB/s | Add vs zip -9 | Extract s | Extract MB/s | Extract vs unzip | Extract peak RSS MB |"
  echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
  for l in "${labels[@]}"; do
    printf '| %s | %.1f | %.1f | %.2f | %s | %s | %.2f | %s | %s | %.1f |\n' "$l" \
      "$(awk -v s="${size[$l]}" 'BEGIN {print s / 1048576}')" \
      "$(awk -v s="${size[$l]}" -v p="$payload_bytes" 'BEGIN {print 100 * s / p}')" \
      "$(awk -v m="${add_ms[$l]}" 'BEGIN {print m / 1000}')" "$(mbps "${add_ms[$l]}")" \
      "$(ratio "${add_ms[$l]}" "${add_ms[$zipl]}")" \
      "$(awk -v m="${ext_ms[$l]}" 'BEGIN {print m / 1000}')" "$(mbps "${ext_ms[$l]}")" \
      "$(ratio "${ext_ms[$l]}" "${ext_ms[$zipl]}")" \
      "$(awk -v k="${rss[$l]}" 'BEGIN {print k / 1024}')"
  done
  echo
  echo "Ratios are time over the time of \`zip -9\` (add) or \`unzip\` (extract): below 1 is faster."
  echo "gzip runs at its default level 6, bzip2 at its default 9; 7z at its default level for each method"
  echo "and with its default thread count."
  echo
  echo "## Targets"
  echo
  echo "| Target | Measured | Met |"
  echo "|---|---|---|"
  target() { # target TEXT VALUE OP LIMIT
    local met
    met=$(awk -v v="$2" -v lim="$4" -v op="$3" 'BEGIN {print ((op == "<=" && v <= lim) || (op == ">=" && v >= lim)) ? "yes" : "no"}')
    echo "| $1 | $2 | $met |"
  }
  c5="coffer -c 5"
  if [ -n "${ext_ms[$c5]:-}" ]; then
    target "extract at type 5 / unzip <= 1" "$(ratio "${ext_ms[$c5]}" "${ext_ms[$zipl]}")" "<=" 1
    target "zip -9 / add at type 5 >= 1.5" "$(ratio "${add_ms[$zipl]}" "${add_ms[$c5]}")" ">=" 1.5
    target "extract with password / without (type 5) <= 1.3" \
      "$(ratio "${ext_ms["coffer -c 5, password"]}" "${ext_ms[$c5]}")" "<=" 1.3
  fi
  for t in 3 4 6; do
    l="coffer -c $t"
    [ -n "${add_ms[$l]:-}" ] || continue
    target "add at type $t / 7z PPMd add <= 1.5" "$(ratio "${add_ms[$l]}" "${add_ms["7z PPMd"]}")" "<=" 1.5
    target "extract at type $t / 7z PPMd extract <= 1.5" \
      "$(ratio "${ext_ms[$l]}" "${ext_ms["7z PPMd"]}")" "<=" 1.5
  done
  for t in $TYPES; do
    [ "$t" = 4 ] && continue # type 4's PPM model alone takes 50 MB
    l="coffer -c $t"
    target "peak RSS of coffer extract at type $t < 64 MB" \
      "$(awk -v k="${rss[$l]}" 'BEGIN {printf "%.1f", k / 1024}')" "<=" 63.99
  done
} >"$WORK/table.md"

# The table replaces what stands between the two markers in $OUT; the text
# around them (notes on the results) is kept.
put_table "$OUT" compare.sh "$WORK/table.md"
echo "compare: table written to $OUT"
cat "$WORK/table.md"
fi

if [ "$PART" != archivers ]; then
  # shellcheck source=bench/installers.sh
  source "$here/installers.sh"
fi
