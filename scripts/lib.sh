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

# configure_build <preset>
configure_build() {
  local preset="$1"
  local launcher=()
  if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake --preset "$preset" -S "$root" "${launcher[@]}" -Wno-dev >/dev/null
  cmake --build "$root/build/$preset" -j"$(nproc)"
}
