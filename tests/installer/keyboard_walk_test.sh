#!/usr/bin/env bash
# The installer's wizard walked with the keyboard alone, its destination
# check and its progress bar, under Wine on a virtual X display.
#
# 1. Keys only (Tab, Shift+Tab, space, Enter, Escape, Alt+letters): Intro ->
#    License (Tab in the licence moves on and leaves its text as it was,
#    Alt+A agrees, Alt+D withdraws) -> Readme -> Options (Tab reaches every
#    control in order, space clears a check box) -> Install -> Complete
#    (space clears Launch, Enter is Finish); the files are installed and the
#    program ends with code 0. Escape on the Intro page of a second start
#    ends it too.
# 2. An installer with one large file of bytes that do not pack: Options
#    shows the space line; a missing drive and a folder below a file are
#    refused with a box naming the folder; the progress bar read back during
#    the copy goes from 0 through a part-way position to 100. Every page is
#    photographed to <build>/tests/installer/keyboard-page-<n>-<name>.png,
#    the Install page while the bar is part-way.
#
# Usage: keyboard_walk_test.sh <VORSetup.exe> <installer_test_tool.exe>
#        <vorpack.exe> <build> <res>
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../scripts/wine-lib.sh"
wine_enter_route "$1" "${BASH_SOURCE[0]}" "$@"
real_path_args "stub tool vorpack build res" "$@"
test_name="keyboard-test"
source "$here/wine_gui_lib.sh"
mkdir -p "$build/tests/installer"
shot_prefix="tests/installer/keyboard-page"

focus_of() { "$wine" "$tool" focus 2>/dev/null | tr -d '\r'; }
expect_focus() { # expect_focus <what> <control>
  local got="" i
  for ((i = 0; i < 20; i++)); do
    got="$(focus_of)"
    [ "$got" = "$2" ] && return 0
    sleep 0.3
  done
  fail "$1: focus on '$got', want '$2'"
}
key() { xdotool key "$@"; sleep 0.4; }

make_package() { # make_package <folder> <program files setup...>
  local pkg="$1"
  mkdir -p "$pkg/Programfiles/Bin"
  printf 'Icon=app.ico\r\nTitle=VOR Keyboard Setup\r\nInstMessage=This installs Tester.\r\nProgramDir=C:\\Program Files\\Tester\r\nAppname=Tester\r\nExename=tester.exe\r\n' >"$pkg/JOB.INI"
  # Long paragraphs: every line of them wraps in the viewers.
  printf '{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 {\\b Licence} of the test package. %s\\par Take it or leave it, all of it, with every clause that follows in this long paragraph: %s\\par}' \
    "$(printf 'The licensee may read, keep and pass on this text word for word. %.0s' 1 2 3)" \
    "$(printf 'nothing here grants more than these words say, and no word hides. %.0s' 1 2 3 4)" \
    >"$pkg/License.rtf"
  printf '{\\rtf1\\ansi Readme of the test package. %s\\par Second line.\\par}' \
    "$(printf 'Every word of this readme stays within the visible width of the viewer. %.0s' 1 2 3)" \
    >"$pkg/readme.rtf"
  cp "$res/vor.ico" "$pkg/app.ico"
  printf 'not really a program' >"$pkg/Programfiles/tester.exe"
  printf 'library' >"$pkg/Programfiles/Bin/helper.dll"
}

build_setup() { # build_setup <package> <setup.exe>
  "$wine" "$vorpack" --force --no-progress --stub "$(winpath "$stub")" "$(winpath "$1")" \
    -o "$(winpath "$2")" >"$tmp/vorpack.log" 2>&1 ||
    fail "vorpack could not build the test installer: $(cat "$tmp/vorpack.log")"
}

start_setup() { # start_setup <setup.exe>
  "$wine" "$1" >"$tmp/app.log" 2>&1 &
  app_pid=$!
  wait_for 60 page_is tsIntro || fail "no Intro page within 60 seconds"
  sleep 1.5
  # The keys go to the window X gives the input focus.
  local window
  window="$(xdotool search --onlyvisible --name '^VOR Keyboard Setup$' | head -n1)"
  [ -n "$window" ] || fail "no window titled VOR Keyboard Setup"
  xdotool windowfocus --sync "$window" 2>/dev/null
  sleep 0.5
}

# --- 1. Keys only.
make_package "$tmp/package"
setup="$tmp/KeyboardSetup.exe"
build_setup "$tmp/package" "$setup"
start_setup "$setup"
expect_focus "focus on Intro" bNext
shoot 1 intro
key Return
wait_for 15 page_is tsLicense || fail "Enter on Intro did not lead to the License page"
expect_state "Next on arrival at License" bNext 3 0
# Next is disabled: the focus is on the first control Tab reaches, the licence.
expect_focus "focus on arrival at License" re1
licence="$(text_of re1)"
case "$licence" in
  "Licence of the test package."*) ;;
  *) fail "licence viewer shows '$licence'" ;;
esac
key Tab
expect_focus "Tab out of the licence" cbAgree
read_controls
expect "licence after Tab" "$(text_of re1)" "$licence"
key shift+Tab
expect_focus "Shift+Tab back into the licence" re1
key space Tab Tab
read_controls
expect "licence after space and Tab" "$(text_of re1)" "$licence"
expect "Agree after keys in the licence" "$(checked_of cbAgree)" 0
key alt+a
expect_state "Agree by Alt+A" cbAgree 5 1
expect_state "Next after Alt+A" bNext 3 1
key alt+d
expect_state "Do not agree by Alt+D" cbNoAgree 5 1
expect_state "Next after Alt+D" bNext 3 0
key Return
page_is tsLicense || fail "Enter with Next disabled left the License page"
key alt+a
expect_state "Next after the second Alt+A" bNext 3 1
shoot 2 license
key Return
wait_for 15 page_is tsReadme || fail "Enter after Agree did not lead to the Readme page"
shoot 3 readme
key alt+b
wait_for 15 page_is tsLicense || fail "Alt+B on Readme did not go back to License"
expect_state "Agree after coming back" cbAgree 5 0
key alt+a alt+n
wait_for 15 page_is tsReadme || fail "Alt+A, Alt+N did not lead to the Readme page again"
key Return
wait_for 15 page_is tsOptions || fail "Enter on Readme did not lead to the Options page"
shoot 4 options

# Tab visits every control of the page and the buttons, in this order.
order="eDestDir bBrowse cbAllUsers cbThisUser cbDesktop cbQuick bBack bNext bCancel"
seen=""
for ((i = 0; i < 9; i++)); do
  key Tab
  seen="$seen $(focus_of)"
done
seen="${seen# }"
case "$order $order" in
  *"$seen"*) ;;
  *) fail "Tab order on Options: '$seen', want a turn of '$order'" ;;
esac
echo "tab order on Options: $seen"
while [ "$(focus_of)" != cbDesktop ]; do key Tab; done
key space
expect_state "desktop icon cleared by space" cbDesktop 5 0
key Return
wait_for 15 page_is tsinstall || fail "Enter on Options did not lead to the Install page"
key Return
wait_for 60 page_is tsComplete || fail "Enter on Install did not end on the Complete page"
expect_state "Finish" bNext 2 "Finish"
key Escape
page_is tsComplete || fail "Escape left the Complete page, where Cancel is disabled"
while [ "$(focus_of)" != cbLaunch ]; do key Tab; done
key space
expect_state "launch cleared by space" cbLaunch 5 0
shoot 6 complete
key Return
wait_exit
installed="$(unix_of 'C:\Program Files\Tester')"
[ -f "$installed/tester.exe" ] && [ -f "$installed/Bin/helper.dll" ] ||
  fail "the keyboard walk installed no files in $installed"
grep -q '^\*Tester' "$installed/install.log" || fail "no install.log in $installed"
echo "keyboard walk: every page by keys, licence unchanged by Tab, installed"

start_setup "$setup"
key Escape
wait_exit
echo "Escape on Intro ends the program"

# --- 2. The destination check and the progress bar.
big_pkg="$tmp/big"
make_package "$big_pkg"
head -c 41943040 /dev/urandom >"$big_pkg/Programfiles/Bin/big.bin"
big_setup="$tmp/BigSetup.exe"
build_setup "$big_pkg" "$big_setup"
start_setup "$big_setup"
key Return alt+a Return Return
wait_for 15 page_is tsOptions || fail "the keys did not lead to the Options page"
space_line="$(text_of lSpace)"
[[ "$space_line" =~ ^"Space required: 40.0 MB    Space available: "[0-9]+\.[0-9]" "(KB|MB|GB|TB)$ ]] ||
  fail "space line: '$space_line'"
echo "options: $space_line"
shoot 4 options-space

[ -e "$WINEPREFIX/dosdevices/q:" ] && fail "the prefix has a drive Q:"
printf 'x' >"$(unix_of 'C:\')/a-file.txt"
refused() { # refused <destination> <reason> <shot name>
  type_destination "$1"
  key Return
  box() { read_boxes && grep -q "Cannot install into" "$tmp/boxes"; }
  wait_for 30 box || fail "no box for the destination $1"
  expect "box for $1" "$(cut -d'|' -f3 "$tmp/boxes")" "Cannot install into \"$1\".\\r$2"
  read_controls
  shoot 4 "$3"
  press_box_ok
  no_boxes() { read_boxes && [ ! -s "$tmp/boxes" ]; }
  wait_for 20 no_boxes || fail "the box stayed open after OK"
  page_is tsOptions || fail "the destination $1 left the Options page"
}
refused 'Q:\Nowhere\Kartograph' 'The drive Q:\ does not exist.' options-no-drive
expect "space line without a drive" "$(text_of lSpace)" "Space required: 40.0 MB"
refused 'C:\a-file.txt\Kartograph' 'The folder cannot be created: C:\a-file.txt is a file.' \
  options-below-a-file
[ -d "$(unix_of 'C:\Nowhere')" ] && fail "the refused check left a folder behind"

type_destination 'C:\Big Copy'
key Return
wait_for 15 page_is tsinstall || fail "Enter on Options did not lead to the Install page"
expect "bar before the copy" "$(text_of pbInstall)" 0
"$wine" "$tool" watch-progress 120 "$(winpath "$tmp/shot.bmp")" >"$tmp/progress" 2>&1 &
watch_pid=$!
sleep 2
key Return
wait_for 120 page_is tsComplete || fail "the large copy did not end on the Complete page"
wait "$watch_pid" || fail "the progress bar did not reach the end: $(tr '\n' ' ' <"$tmp/progress")"
positions="$(tr -d '\r' <"$tmp/progress" | tr '\n' ' ')"
echo "progress bar read back: $positions"
first="$(tr -d '\r' <"$tmp/progress" | head -n1)"
last="$(tr -d '\r' <"$tmp/progress" | tail -n1)"
between="$(tr -d '\r' <"$tmp/progress" | awk '$1 > 0 && $1 < 100' | wc -l)"
expect "first position" "$first" 0
expect "last position" "$last" 100
[ "$between" -ge 1 ] || fail "no position between 0 and 100 read during the copy: $positions"
[ -s "$tmp/shot.bmp" ] || fail "no picture of the Install page part-way"
convert "$tmp/shot.bmp" "$build/$shot_prefix-5-install-progress.png" ||
  fail "the picture of the Install page cannot be converted"
echo "screenshot: $build/$shot_prefix-5-install-progress.png"
cmp -s "$big_pkg/Programfiles/Bin/big.bin" "$(unix_of 'C:\Big Copy')/Bin/big.bin" ||
  fail "the large file was not copied whole"
read_controls
shoot 6 complete-large
key alt+f
wait_exit
echo "keyboard test passed"
