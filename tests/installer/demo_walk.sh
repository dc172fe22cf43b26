#!/usr/bin/env bash
# Installs an installer under Wine on a virtual X display the way a user
# would (Intro, License with Agree, Readme, Options with the proposed folder,
# Install, Complete, Finish), saves a screenshot of every page to the output
# folder, and prints the installation log, the shortcuts the run created (as
# the system reads them back), the installer's size and the install time
# (also written to <output folder>/summary.txt).
#
# Usage: demo_walk.sh <setup.exe> <installer_test_tool.exe> <output folder>
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../scripts/wine-lib.sh"
# On a kernel that refuses i386 programs, a 32-bit installer is walked in
# the qemu namespace: this script runs again there.
wine_enter_route "$1" "${BASH_SOURCE[0]}" "$@"
stub="$(realpath "$1")"
tool="$(realpath "$2")"
mkdir -p "$3"
build="$(realpath "$3")"
test_name="demo"
shot_prefix="page"
source "$here/wine_gui_lib.sh"

"$wine" "$stub" >"$tmp/app.log" 2>&1 &
app_pid=$!
wait_for 90 page_is tsIntro || fail "no Intro page within 90 seconds"
sleep 1.5
read_controls
shoot 1 intro
click bNext
click cbAgree
read_controls
shoot 2 license
click bNext
wait_for 15 page_is tsReadme || fail "no Readme page"
shoot 3 readme
click bNext
wait_for 15 page_is tsOptions || fail "no Options page"
shoot 4 options
dest="$(text_of eDestDir)"
click bNext
wait_for 15 page_is tsinstall || fail "no Install page"
shoot 5 install
started="$(date +%s.%N)"
click bNext
wait_for 300 page_is tsComplete || fail "the installation did not reach the Complete page"
finished="$(date +%s.%N)"
shoot 6 complete
click bNext
wait_exit

dest_unix="$("$wine" winepath -u "$dest" 2>/dev/null | tr -d '\r')"
echo
echo "install.log in $dest:"
tr -d '\r' <"$dest_unix/install.log" | sed 's/^/  /'
echo
echo "Shortcuts (target | working folder | description | icon | index):"
tr -d '\r' <"$dest_unix/install.log" | grep '\.lnk$' | while IFS= read -r link; do
  echo "  $link"
  echo "    $("$wine" "$tool" link "$link" 2>/dev/null | tr -d '\r')"
done
echo
echo "Screenshots: $build/page-*.png"
# The summary, also kept in <output folder>/summary.txt.
printf 'Installer %s: %s bytes; install time (Next on the Install page to the Complete page): %.1f s\n' \
  "$(basename "$stub")" "$(stat -c %s "$stub")" \
  "$(awk -v a="$started" -v b="$finished" 'BEGIN { print b - a }')" | tee "$build/summary.txt"
