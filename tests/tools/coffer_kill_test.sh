#!/bin/bash
# Kills coffer with SIGKILL just before each call it makes to change a file
# (strace's fault injection on pwrite64, ftruncate, fsync, fdatasync,
# rename and unlink: containers and journals are written with positioned
# writes, so plain write() never changes them) while it removes a folder,
# adds a folder and replaces a large file. After each kill a plain
# "coffer list" must succeed (it rolls the cut change back by itself), and
# the container must hold exactly the state before or after the command,
# pass "coffer check" and have no journal or stray part file beside it.
#
#   coffer_kill_test.sh COFFER [SCENARIO...]   (scenarios: rm add replace)
#
# Slow (one coffer run per call): meant for the long stage, not CI.
# Skips with exit 0 where strace cannot inject faults.
set -u
coffer_exe="$1"
shift
scenarios="${*:-rm add replace}"
command -v strace >/dev/null || { echo "no strace here: skipped"; exit 0; }
strace -f -o /dev/null -e inject=pwrite64:error=EIO:when=60000 true 2>/dev/null ||
  { echo "strace cannot inject faults here: skipped"; exit 0; }

work="$(mktemp -d "${TMPDIR:-/tmp}/coffer-kill.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
c() { "$coffer_exe" --no-progress "$@"; }

# A digest of the whole tree the container holds.
state() {
  rm -rf x
  c extract c.cof -o x >/dev/null 2>&1 || { echo "unreadable"; return; }
  (cd x && find . -type f -print0 | sort -z | xargs -0 md5sum; find . -type d | sort) | md5sum
}
# The files beside the container.
beside() { (cd box && ls | grep -v -e '^c\.cof$' -e '^x$' | tr '\n' ' '); }

# The calls that change files; a kill before each of them in turn.
calls="pwrite64 ftruncate fsync fdatasync rename renameat renameat2 unlink unlinkat"
failed=0
run() {
  local name="$1" change="$2"
  cp base.cof box/c.cof
  local before after
  before="$(cd box && state)"
  (cd box && eval "$change") >/dev/null 2>&1
  after="$(cd box && state)"
  [ "$before" != "$after" ] || { echo "$name: the command changes nothing"; failed=1; return; }
  cp base.cof box/c.cof
  (cd box && strace -f -e trace="${calls// /,}" -o ../trace.txt bash -c "$change" >/dev/null 2>&1)
  local call count n nb=0 na=0 lost=0 points=0
  for call in $calls; do
    count="$(grep -c " $call(" trace.txt)"
    for n in $(seq 1 "$count"); do
      points=$((points + 1))
      rm -rf box && mkdir box && cp base.cof box/c.cof
      (cd box && strace -f -o /dev/null -e trace="$call" \
         -e inject="$call":signal=SIGKILL:when="$n" bash -c "$change" >/dev/null 2>&1) 2>/dev/null
      # A plain reading command rolls the cut change back by itself.
      local listed now check extra
      (cd box && c list c.cof >/dev/null 2>&1)
      listed=$?
      now="$(cd box && state)"
      (cd box && c check c.cof >/dev/null 2>&1)
      check=$?
      extra="$(beside)"
      if [ "$listed" = 0 ] && [ "$check" = 0 ] && [ -z "$extra" ] && [ "$now" = "$before" ]; then
        nb=$((nb + 1))
      elif [ "$listed" = 0 ] && [ "$check" = 0 ] && [ -z "$extra" ] && [ "$now" = "$after" ]; then
        na=$((na + 1))
      else
        lost=$((lost + 1))
        echo "$name: killed at $call $n: list $listed, check $check, files beside: '$extra'"
      fi
    done
  done
  echo "$name: $points kill points, $nb old, $na new, $lost neither"
  [ "$lost" = 0 ] || failed=1
}

mkdir -p box src/A src/B/sub src/N/deep src/r
for i in $(seq 40); do head -c $((i * 1500)) /dev/urandom >"src/B/f$i.bin"; done
for i in $(seq 10); do echo "keep $i" >"src/A/k$i.txt"; done
for i in $(seq 15); do head -c 5000 /dev/urandom >"src/B/sub/s$i"; done
for i in $(seq 30); do head -c $((i * 700)) /dev/urandom >"src/N/n$i.bin"; done
for i in $(seq 10); do echo "deep $i" >"src/N/deep/d$i.txt"; done
(head -c 3000000 /dev/urandom; yes abcdefgh | head -c 1000000) >src/big.bin
(head -c 3500000 /dev/urandom; yes xyz | head -c 1000000) >src/r/big.bin
c create base.cof >/dev/null && (cd src && c add ../base.cof A B big.bin >/dev/null) ||
  { echo "cannot make the container"; exit 1; }
src="$work/src"
for scenario in $scenarios; do
  case "$scenario" in
    rm) run "rm -r B" "'$coffer_exe' --no-progress rm -r c.cof B" ;;
    add) run "add N" "cd '$src' && '$coffer_exe' --no-progress add '$work/box/c.cof' N" ;;
    replace) run "replace big.bin" "cd '$src/r' && '$coffer_exe' --no-progress add '$work/box/c.cof' big.bin" ;;
    *) echo "unknown scenario $scenario"; exit 2 ;;
  esac
done
exit "$failed"
