#!/usr/bin/env bash
# Sets up the machine and runs every test: the native build, the sanitizer
# build, the win64 build under wine64 and the win32 build (the shipped
# programs) under 32-bit Wine. Ends with one line
# "N passed, N failed, N skipped" that counts every test case of every suite,
# and exits non-zero on any failure.
#
# The 32-bit programs take the route that this host allows (i386-lib.sh):
# natively, through qemu-i386 in a private namespace (the whole win32 stage,
# prefixes included, runs there), or, where neither works, not at all: their
# tests are counted as skipped with the reason, and the installer's walks
# run on the 64-bit twin under wine64 so that its behaviour is still tested.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/lib.sh"
source "$root/scripts/i386-lib.sh"
stage_times=()
total_pass=0
total_fail=0
total_skip=0
broken=0

# tally <build dir> <results dir>: adds the cases of every suite that ran.
# A GoogleTest executable reports its cases in its XML file; a test without
# one (a script, or an executable that crashed before writing it) counts as
# one case with CTest's verdict.
tally() {
  local build="$1" results="$2" junit="$2/ctest.xml"
  [ -f "$junit" ] || { echo "no CTest results in $build"; total_fail=$((total_fail + 1)); return; }
  local name status x t f e d s
  while IFS='|' read -r name status; do
    x="$results/$name.xml"
    if [ -f "$x" ] && [ "$status" != "fail" ]; then
      t=$(grep -o '<testsuites [^>]*' "$x" | grep -o ' tests="[0-9]*"' | grep -o '[0-9]*')
      f=$(grep -o '<testsuites [^>]*' "$x" | grep -o ' failures="[0-9]*"' | grep -o '[0-9]*')
      e=$(grep -o '<testsuites [^>]*' "$x" | grep -o ' errors="[0-9]*"' | grep -o '[0-9]*')
      d=$(grep -o '<testsuites [^>]*' "$x" | grep -o ' disabled="[0-9]*"' | grep -o '[0-9]*')
      s=$(grep -c 'result="skipped"' "$x")
      total_pass=$((total_pass + t - ${f:-0} - ${e:-0} - ${d:-0} - s))
      total_fail=$((total_fail + ${f:-0} + ${e:-0}))
      total_skip=$((total_skip + ${d:-0} + s))
    elif [ -f "$x" ]; then
      f=$(grep -o '<testsuites [^>]*' "$x" | grep -o ' failures="[0-9]*"' | grep -o '[0-9]*')
      t=$(grep -o '<testsuites [^>]*' "$x" | grep -o ' tests="[0-9]*"' | grep -o '[0-9]*')
      total_pass=$((total_pass + t - ${f:-0}))
      total_fail=$((total_fail + (${f:-0} > 0 ? ${f:-0} : 1)))
    elif [ "$status" = "run" ]; then
      total_pass=$((total_pass + 1))
    else
      total_fail=$((total_fail + 1))
    fi
  done < <(grep -o '<testcase name="[^"]*"[^>]*status="[a-z]*"' "$junit" |
           sed -E 's/<testcase name="([^"]*)".*status="([a-z]*)"/\1|\2/')
}

# run_suite <preset> [ctest arguments...]: builds, runs CTest with
# per-executable XML, tallies. $suite_runner, when set, is the command CTest
# runs under (the qemu namespace for the emulated 32-bit route).
run_suite() {
  local preset="$1" build="$root/build/$1" results="$root/build/$1/test-results"
  shift
  if ! configure_build "$preset"; then
    echo "build of $preset failed"; total_fail=$((total_fail + 1)); broken=1; return
  fi
  rm -rf "$results"; mkdir -p "$results"
  GTEST_OUTPUT="xml:$results/" ${suite_runner:-} ctest --test-dir "$build" --output-on-failure -j2 \
    --output-junit "$results/ctest.xml" "$@" || broken=1
  tally "$build" "$results"
}

stage_start setup; "$root/scripts/setup.sh" || exit 1; stage_end
i386_route || exit 1
echo "win32 route: $I386_ROUTE ($I386_REASON)"
stage_start "native build + tests"; run_suite native; stage_end
stage_start "native-asan build + tests"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_suite native-asan
stage_end
# The win64 build's own suites; the installer's walks (label "walk") run here
# only when the 32-bit programs cannot run at all.
if [ "$I386_ROUTE" = twin ]; then
  stage_start "win64 build + tests + walks (wine64)"; run_suite win64
else
  stage_start "win64 build + tests (wine64)"; run_suite win64 -LE walk
fi
stage_end
# The shipped 32-bit programs under 32-bit Wine (the window and the walks
# included), on the route this host allows.
case "$I386_ROUTE" in
  native)
    stage_start "win32 build + tests (wine, native i386)"; run_suite win32 ;;
  emulated)
    stage_start "win32 build + tests (wine, emulated i386)"
    suite_runner="$root/scripts/i386-ns.sh" run_suite win32 ;;
  twin)
    stage_start "win32 build (tests skipped)"
    if configure_build win32; then
      skipped=$(ctest --test-dir "$root/build/win32" -N | sed -n 's/^Total Tests: //p')
      total_skip=$((total_skip + ${skipped:-0}))
      echo "skipped: the ${skipped:-0} tests of the win32 build did not run: $I386_REASON;" \
        "the installer's walks ran on the 64-bit twin under wine64 instead"
    else
      echo "build of win32 failed"; total_fail=$((total_fail + 1)); broken=1
    fi ;;
esac
stage_end

if [ -x "$root/scripts/fuzz.sh" ]; then
  stage_start "fuzz (short runs)"
  # Short runs here keep the whole test command well inside its time budget;
  # long runs are started by hand (see scripts/fuzz.sh).
  if FUZZ_SECONDS="${FUZZ_SECONDS:-15}" "$root/scripts/fuzz.sh"; then
    total_pass=$((total_pass + 1))
  else
    echo "fuzzing found a fault"; total_fail=$((total_fail + 1))
  fi
  stage_end
fi

echo
echo "Stage times (win32 route: $I386_ROUTE):"
printf '  %s\n' "${stage_times[@]}"
echo "$total_pass passed, $total_fail failed, $total_skip skipped"
[ "$total_fail" -eq 0 ] && [ "$broken" -eq 0 ]
