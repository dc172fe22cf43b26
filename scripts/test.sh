#!/usr/bin/env bash
# Sets up the machine and runs every test: the native build, the sanitizer
# build, the win64 build under wine64 and the win32 build (the shipped
# programs) under 32-bit Wine. Ends with one line
# "N passed, N failed" that counts every test case of every suite, and exits
# non-zero on any failure.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/lib.sh"
stage_times=()
total_pass=0
total_fail=0
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

# run_suite <preset>: builds, runs CTest with per-executable XML, tallies.
run_suite() {
  local preset="$1" build="$root/build/$1" results="$root/build/$1/test-results"
  if ! configure_build "$preset"; then
    echo "build of $preset failed"; total_fail=$((total_fail + 1)); broken=1; return
  fi
  rm -rf "$results"; mkdir -p "$results"
  GTEST_OUTPUT="xml:$results/" ctest --test-dir "$build" --output-on-failure -j2 \
    --output-junit "$results/ctest.xml" || broken=1
  tally "$build" "$results"
}

stage_start setup; "$root/scripts/setup.sh" || exit 1; stage_end
stage_start "native build + tests"; run_suite native; stage_end
stage_start "native-asan build + tests"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_suite native-asan
stage_end
stage_start "win64 build + tests (wine64)"; run_suite win64; stage_end
# The shipped 32-bit programs under 32-bit Wine (the window test included).
stage_start "win32 build + tests (wine)"; run_suite win32; stage_end

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
echo "Stage times:"
printf '  %s\n' "${stage_times[@]}"
echo "$total_pass passed, $total_fail failed"
[ "$total_fail" -eq 0 ] && [ "$broken" -eq 0 ]
