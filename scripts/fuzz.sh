#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, writes their seed corpora from
# containers and blocks the engine makes, and runs each target for a fixed
# time on its corpus. Exits non-zero on any finding (the crashing input is
# left in build/fuzz/findings/<target>/).
#
# Environment:
#   FUZZ_SECONDS   seconds per target (default 30)
#   FUZZ_TARGETS   targets to run (default: all six)
#   FUZZ_BUILD     build folder (default build/fuzz)
#   FUZZ_KILL      scenarios of the kill test to run after the targets
#                  ("rm add replace"; default none): coffer is killed before
#                  each of its writes and must lose nothing it committed
#
# Long runs by hand keep growing the working corpus in
# build/fuzz/corpus/<target>, e.g.
#   FUZZ_SECONDS=600 FUZZ_TARGETS=fuzz_container scripts/fuzz.sh
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${FUZZ_SECONDS:-30}"
build="${FUZZ_BUILD:-$root/build/fuzz}"
targets="${FUZZ_TARGETS:-fuzz_unpack fuzz_string_format fuzz_password_record fuzz_volume_search fuzz_container fuzz_block_stream}"
san="-fsanitize=address,undefined -fsanitize=fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer"

export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}" CCACHE_NOHASHDIR=1
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -G Ninja -Wno-dev "${launcher[@]}" \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVOR_BUILD_FUZZ=ON -DVOR_BUILD_TESTS=OFF -DVOR_BUILD_BENCH=OFF \
  -DCMAKE_C_FLAGS="$san" -DCMAKE_CXX_FLAGS="$san" >/dev/null || exit 1
# shellcheck disable=SC2086
cmake --build "$build" -j2 --target fuzz_make_seeds $targets || exit 1

seeds="$build/seeds"
rm -rf "$seeds"
ASAN_OPTIONS=detect_leaks=1 "$build/fuzz/fuzz_make_seeds" "$seeds" || exit 1

# The container targets write their inputs to files: a memory file system
# keeps that off the disk when there is one.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# run_target <target>: one target's run; its summary (or its finding) goes
# to standard output, its exit status to <build>/<name>.status.
run_target() {
  local target="$1" name corpus findings max_len status=0
  name="${target#fuzz_}"
  corpus="$build/corpus/$name"
  findings="$build/findings/$name"
  mkdir -p "$corpus" "$findings"
  # Containers are made of 4096-byte pages: their inputs need more room.
  max_len=65536
  [ "$name" = container ] && max_len=262144
  echo "== $target: ${seconds}s"
  # The working corpus keeps what earlier runs found; the seeds are read too.
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -malloc_limit_mb=256 \
      -max_len="$max_len" -print_final_stats=1 -close_fd_mask=1 -artifact_prefix="$findings/" \
      "$corpus" "$seeds/$name" 2>"$build/$name.log"; then
    echo "$target: finding (see $build/$name.log and $findings/)"
    tail -n 40 "$build/$name.log"
    status=1
  else
    grep -E '^stat::number_of_executed_units|^Done' "$build/$name.log" | tr '\n' ' '
    echo
  fi
  echo "$status" >"$build/$name.status"
}

# The targets run side by side, one per core (each is one process); their
# reports are printed in the targets' order once all have ended.
failed=0
slots="$(nproc 2>/dev/null || echo 1)"
for target in $targets; do
  while [ "$(jobs -rp | wc -l)" -ge "$slots" ]; do wait -n; done
  rm -f "$build/${target#fuzz_}.status"
  run_target "$target" >"$build/${target#fuzz_}.report" 2>&1 &
done
wait
for target in $targets; do
  name="${target#fuzz_}"
  cat "$build/$name.report"
  [ "$(cat "$build/$name.status" 2>/dev/null)" = 0 ] || failed=1
done
if [ -n "${FUZZ_KILL:-}" ]; then
  echo "== kill test: ${FUZZ_KILL}"
  cmake --build "$build" -j2 --target coffer || exit 1
  # shellcheck disable=SC2086
  ASAN_OPTIONS=detect_leaks=0 bash "$root/tests/tools/coffer_kill_test.sh" \
    "$build/tools/coffer/coffer" $FUZZ_KILL || failed=1
fi
exit "$failed"
