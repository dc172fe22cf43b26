#!/usr/bin/env bash
# The main job: sets up the machine, builds every target for Linux and both
# Windows targets (the shipped installer is the 32-bit one), installs the
# example under Wine, and prints what was built.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/lib.sh"
stage_times=()

stage_start setup; "$root/scripts/setup.sh"; stage_end
for preset in native win32 win64; do
  stage_start "build $preset"; configure_build "$preset"; stage_end
done

# The example installer: the example package of the win32 build, packed by
# vorpack in front of the 32-bit installer program, and what it holds.
stage_start "example installer"
"$root/build/native/tools/vorpack/vorpack" --force --no-progress \
  --stub "$root/build/win32/src/installer/win32/VORSetup.exe" \
  "$root/build/win32/examples/hello/package" -o "$root/build/win32/hello-setup.exe"
COFFER_PASSWORD=velmorakitan "$root/build/native/tools/coffer/coffer" list --no-progress \
  "$root/build/win32/hello-setup.exe"
stage_end

# The example installed under 32-bit Wine as a user would: a screenshot of
# every page in build/demo, the log and the shortcuts the run made.
stage_start "install the example"
bash "$root/tests/installer/demo_walk.sh" "$root/build/win32/hello-setup.exe" \
  "$root/build/win32/tests/installer/vor_installer_test_tool.exe" "$root/build/demo"
stage_end

echo
echo "Built:"
for preset in native win32 win64; do
  find "$root/build/$preset" -maxdepth 4 -type f \( -name '*.exe' -o -perm -u+x \) \
    ! -path '*/CMakeFiles/*' ! -path '*/_googletest/*' ! -path '*/wineprefix/*' ! -name '*.sh' \
    2>/dev/null | sort | while read -r f; do
      printf '  %-60s %s\n' "${f#$root/}" "$(file -b "$f" | cut -d, -f1-2)"
    done
done
echo
"$root/bench/stub_size.sh" "$root/build/win32/src/installer/win32/VORSetup.exe"
echo
printf '%s\n' "${stage_times[@]}"
echo
cat "$root/build/demo/summary.txt"
