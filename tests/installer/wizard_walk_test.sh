#!/usr/bin/env bash
# The installer's wizard under Wine on a virtual X display.
#
# 1. A stub without a container: the box "Cannot open file '<path>'" shows
#    exactly once; after OK the window is on the Intro page with its resource
#    texts and Next enabled; Cancel ends the program with exit code 0.
# 2. An installer built by vorpack from a small test package: the walk
#    Intro -> License (Next disabled until Agree) -> Readme -> Options ->
#    Install by mouse clicks, every page's controls read back through the
#    Win32 API by the test tool and photographed to
#    <build>/installer-page-<n>-<page>.png; Browse opened and cancelled;
#    a destination without its drive refused with a box; then Cancel.
#
# Usage: wizard_walk_test.sh <VORSetup.exe> <installer_test_tool.exe> <vorpack.exe>
#        <build> <res>
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../scripts/wine-lib.sh"
# On a kernel that refuses i386 programs, a 32-bit installer is walked in
# the qemu namespace: this script runs again there.
wine_enter_route "$1" "${BASH_SOURCE[0]}" "$@"
real_path_args "stub tool vorpack build res" "$@"
test_name="wizard-test"
source "$here/wine_gui_lib.sh"

# --- 1. The stub alone.
cp "$stub" "$tmp/Lonely.exe"
lonely_win="$(winpath "$tmp/Lonely.exe")"
"$wine" "$tmp/Lonely.exe" >"$tmp/app.log" 2>&1 &
app_pid=$!
box_seen() { read_boxes && grep -q "Cannot open file" "$tmp/boxes"; }
wait_for 60 box_seen || fail "no \"Cannot open file\" box within 60 seconds"
sleep 1
read_boxes
expect "boxes shown" "$(wc -l <"$tmp/boxes")" 1
expect "box text" "$(cut -d'|' -f3 "$tmp/boxes")" "Cannot open file '$lonely_win'"
press_box_ok
wait_for 30 page_is tsIntro || fail "no Intro page after the box"
sleep 2
read_boxes
expect "boxes after OK" "$(wc -l <"$tmp/boxes")" 0
read_controls
expect "title without a job" "$(text_of lTitle)" "lTitle"
expect "caption without a job" "$(text_of Form1)" "VOR Installer"
expect_state "Next without a job" bNext 3 1
click bCancel
wait_exit
echo "no container: one box, Intro page, Cancel ends the program"

# --- 2. The walk through an installer with a job.
pkg="$tmp/package"
mkdir -p "$pkg/Programfiles/Bin"
printf 'Icon=app.ico\r\nTitle=VOR Test Setup\r\nInstMessage=This installs Tester=1 on your computer.\r\nProgramDir=C:\\Program Files\\Tester\r\nAppname=Tester\r\nExename=tester.exe\r\n' >"$pkg/JOB.INI"
printf 'Path=Tester\r\nTester=PDIR\\tester.exe\r\n' >"$pkg/MENU.DAT"
printf '{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 {\\b Licence} of the test package.\\par Take it or leave it.\\par}' >"$pkg/License.rtf"
printf '{\\rtf1\\ansi Readme of the test package.\\par Second line.\\par}' >"$pkg/readme.rtf"
cp "$res/vor.ico" "$pkg/app.ico"
printf 'not really a program' >"$pkg/Programfiles/tester.exe"
printf 'library' >"$pkg/Programfiles/Bin/helper.dll"
setup="$tmp/TestSetup.exe"
"$wine" "$vorpack" --force --no-progress --stub "$(winpath "$stub")" "$(winpath "$pkg")" \
  -o "$(winpath "$setup")" >"$tmp/vorpack.log" 2>&1 ||
  fail "vorpack could not build the test installer: $(cat "$tmp/vorpack.log")"

"$wine" "$setup" >"$tmp/app.log" 2>&1 &
app_pid=$!
wait_for 60 page_is tsIntro || fail "no Intro page within 60 seconds"
sleep 1.5
read_controls
expect "caption" "$(text_of Form1)" "VOR Test Setup"
expect "title" "$(text_of lTitle)" "VOR Test Setup"
expect "message" "$(text_of lInstMessage)" "This installs Tester=1 on your computer."
expect "launch box" "$(text_of cbLaunch)" "Launch Tester"
expect_state "Next on Intro" bNext 3 1
read_boxes
expect "boxes with a job" "$(wc -l <"$tmp/boxes")" 0
shoot 1 intro

click bNext
wait_for 15 page_is tsLicense || fail "Next on Intro did not lead to the License page"
expect_state "Next on arrival at License" bNext 3 0
expect_state "Agree on arrival" cbAgree 5 0
case "$(text_of re1)" in
  "Licence of the test package."*) ;;
  *) fail "licence viewer shows '$(text_of re1)'" ;;
esac
click bNext
page_is tsLicense || fail "a disabled Next left the License page"
click cbAgree
expect_state "Next after Agree" bNext 3 1
click cbNoAgree
expect_state "Next after Do not agree" bNext 3 0
click cbAgree
read_controls
shoot 2 license

click bNext
wait_for 15 page_is tsReadme || fail "Next after Agree did not lead to the Readme page"
case "$(text_of re2)" in
  "Readme of the test package."*"Second line."*) ;;
  *) fail "readme viewer shows '$(text_of re2)'" ;;
esac
shoot 3 readme
click bBack
wait_for 15 page_is tsLicense || fail "Back on Readme did not lead to the License page"
expect_state "Agree after coming back" cbAgree 5 0
expect_state "Next after coming back" bNext 3 0
click cbAgree
read_controls
click bNext
wait_for 15 page_is tsReadme || fail "the second Agree did not open the way to Readme"

click bNext
wait_for 15 page_is tsOptions || fail "Next on Readme did not lead to the Options page"
expect "destination" "$(text_of eDestDir)" 'C:\Program Files\Tester'
expect_state "desktop icon" cbDesktop 5 1
expect "quick launch caption" "$(text_of cbQuick)" "Quick launch  shortcut"
all_users="$(checked_of cbAllUsers)"; this_user="$(checked_of cbThisUser)"
expect "one of the two user choices" "$((all_users + this_user))" 1
echo "options: all users $all_users, this user $this_user"
shoot 4 options

# Browse opens the folder dialog "Select folder"; cancelling it keeps the
# folder.
click bBrowse
browse_seen() { read_boxes && grep -q '^box|Select folder|' "$tmp/boxes"; }
wait_for 30 browse_seen || fail "no folder dialog titled \"Select folder\" after Browse"
browse="$(xdotool search --onlyvisible --name '^Select folder$' | head -n1)"
xdotool windowfocus --sync "$browse" key Escape 2>/dev/null || xdotool key Escape
no_boxes() { read_boxes && [ ! -s "$tmp/boxes" ]; }
wait_for 20 no_boxes || fail "the folder dialog stayed open after Escape"
read_controls
expect "destination after a cancelled Browse" "$(text_of eDestDir)" 'C:\Program Files\Tester'

# A destination without its drive is refused with a box, and the wizard stays
# on Options; the proposed folder typed back goes on.
type_destination 'Tester'
click bNext
dest_box() { read_boxes && grep -q "Please enter the full path" "$tmp/boxes"; }
wait_for 30 dest_box || fail "no box for a destination without its drive"
expect "destination box text" "$(cut -d'|' -f3 "$tmp/boxes")" \
  "Please enter the full path of the folder to install into, with its drive."
shoot 4 options-relative-destination
press_box_ok
wait_for 20 no_boxes || fail "the destination box stayed open after OK"
page_is tsOptions || fail "a destination without its drive left the Options page"
type_destination 'C:\Program Files\Tester'

click bNext
wait_for 15 page_is tsinstall || fail "Next on Options did not lead to the Install page"
expect "install text" "$(text_of lInstall)" \
  'Tester in now ready to be installed into \r\rC:\Program Files\Tester\r\rTo continue, click the Next button.'
expect "status" "$(text_of lStatus)" "Status"
shoot 5 install

read_boxes
expect "boxes during the walk" "$(wc -l <"$tmp/boxes")" 0
click bCancel
wait_exit
echo "wizard test passed: Intro, License, Readme, Options and Install pages walked"
