#!/usr/bin/env bash
# The main job: sets up the machine, builds every target for Linux and both
# Windows targets (the shipped installer is the 32-bit one), installs the
# example under Wine, and prints what was built.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/lib.sh"
source "$root/scripts/i386-lib.sh"
stage_times=()

stage_start setup; "$root/scripts/setup.sh"; stage_end
for preset in native win32 win64; do
  stage_start "build $preset"; configure_build "$preset"; stage_end
done

# The 32-bit programs run on the route this host allows (i386-lib.sh): the
# demo walks the shipped 32-bit installer natively or through qemu-i386 in a
# private namespace; where neither works, it walks the 64-bit twin and says so.
i386_route
echo "win32 route: $I386_ROUTE ($I386_REASON)"
demo_preset=win32
demo_runner=()
case "$I386_ROUTE" in
  emulated) demo_runner=("$root/scripts/i386-ns.sh") ;;
  twin) demo_preset=win64 ;;
esac

# The example installer: the example package packed by vorpack in front of
# the installer program (the shipped 32-bit one, or its 64-bit twin on the
# twin route), and what it holds.
stage_start "example installer"
setup_exe="$root/build/$demo_preset/hello-setup.exe"
"$root/build/native/tools/vorpack/vorpack" --force --no-progress \
  --stub "$root/build/$demo_preset/src/installer/win32/VORSetup.exe" \
  "$root/build/$demo_preset/examples/hello/package" -o "$setup_exe"
COFFER_PASSWORD=velmorakitan "$root/build/native/tools/coffer/coffer" list --no-progress "$setup_exe"
stage_end

# The example installed under Wine as a user would: a screenshot of every
# page in build/demo, the log and the shortcuts the run made.
stage_start "install the example ($I386_ROUTE)"
"${demo_runner[@]}" bash "$root/tests/installer/demo_walk.sh" "$setup_exe" \
  "$root/build/$demo_preset/tests/installer/vor_installer_test_tool.exe" "$root/build/demo"
stage_end
case "$I386_ROUTE" in
  native) walked="the shipped 32-bit installer, natively" ;;
  emulated) walked="the shipped 32-bit installer, through qemu-i386 in a private namespace" ;;
  twin) walked="the 64-bit twin under wine64 (the 32-bit one cannot run here: $I386_REASON)" ;;
esac

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
echo "Stage times (win32 route: $I386_ROUTE):"
printf '  %s\n' "${stage_times[@]}"
echo
echo "Demo: walked $walked"
cat "$root/build/demo/summary.txt"
