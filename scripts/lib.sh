# Shared by the build and test scripts: configure and build one preset.
# Sourced; expects $root.

stage_start() { stage_name="$1"; stage_t0=$(date +%s); echo "== $stage_name"; }
stage_end() {
  local t=$(( $(date +%s) - stage_t0 ))
  stage_times+=("$(printf '%-44s %4ds' "$stage_name" "$t")")
}

# ccache keys its objects on paths relative to the checkout, so a fresh clone
# in any folder reuses what an earlier build of the same sources compiled.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}"
export CCACHE_NOHASHDIR=1

# stale_compilers <build folder>: true when the folder was configured with
# another C++ compiler than its toolchain file names now. CMake keeps the
# compiler it found first, so such a folder is made anew.
stale_compilers() {
  local build="$1" toolchain wanted found
  toolchain="$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null)"
  [ -n "$toolchain" ] && [ -f "$toolchain" ] || return 1
  wanted="$(sed -n 's/^set(CMAKE_CXX_COMPILER \([^ )]*\))$/\1/p' "$toolchain")"
  found="$(sed -n 's/^set(CMAKE_CXX_COMPILER "\(.*\)")$/\1/p' "$build"/CMakeFiles/*/CMakeCXXCompiler.cmake 2>/dev/null | head -n 1)"
  [ -n "$wanted" ] && [ -n "$found" ] && [ "$(basename "$found")" != "$(basename "$wanted")" ]
}

# configure_build <preset>
configure_build() {
  local preset="$1"
  local launcher=()
  if stale_compilers "$root/build/$preset"; then
    echo "build/$preset was configured with other compilers: configuring it anew"
    rm -rf "${root:?}/build/$preset"
  fi
  if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake --preset "$preset" -S "$root" "${launcher[@]}" -Wno-dev >/dev/null
  cmake --build "$root/build/$preset" -j"$(nproc)"
}
