#!/usr/bin/env bash
# The installation run end to end under Wine: an installer built from a test
# package is walked Intro -> License -> Agree -> Readme -> Options (the
# destination typed with a trailing backslash) -> Install -> Complete ->
# Finish, twice: for this user without a Quick Launch folder, then for all
# users with one. Checked in the prefix afterwards: the files byte for byte
# (the empty folder too), install.log byte for byte, every shortcut loaded
# back through the system's link object, the markers of the registered
# server, the post-install program and the program launched by Finish.
# Then: an all-users Programs folder nobody may write to turns the choice to
# "this user" on the Options page (and again after a click on "all users");
# and a package with a damaged file shows the copy error, keeps the files
# copied before it in the log and still reaches Complete.
# Screenshots: <build>/installer-run-<n>-<page>.png.
#
# The installers are built by vorpack.
#
# Usage: install_walk_test.sh <VORSetup.exe> <installer_test_tool.exe>
#        <vorpack.exe> <marker_program.exe> <test_server.dll> <build> <res>
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../scripts/wine-lib.sh"
# On a kernel that refuses i386 programs, a 32-bit installer is walked in
# the qemu namespace: this script runs again there.
wine_enter_route "$1" "${BASH_SOURCE[0]}" "$@"
real_path_args "stub tool vorpack marker server build res" "$@"
test_name="install-test"
shot_prefix="installer-run"
source "$here/wine_gui_lib.sh"

load_shell_folders

# --- The package.
pkg="$tmp/package"
pf="$pkg/Programfiles"
mkdir -p "$pf/Docs/sub/Deep" "$pf/Lib" "$pf/Empty"
printf 'Icon=app.ico\r\nTitle=Tester Setup\r\nInstMessage=Installs the tester.\r\nProgramDir=C:\\Program Files\\Tester\r\nAppname=Tester\r\nExename=Tester.exe\r\npregister3=PDIR\\Lib\\server.dll\r\npregister5=PDIR\\notalib.dll\r\n' >"$pkg/JOB.INI"
printf 'Path=Tester Group\r\nTester=PDIR\\Tester.exe\r\nRead Me=PDIR\\Docs\\ReadMe.TXT\r\n' >"$pkg/MENU.DAT"
printf 'Postexec=PDIR\\after.exe\r\n' >"$pkg/EXECS.DAT"
printf '{\\rtf1\\ansi The licence.\\par}' >"$pkg/License.rtf"
printf '{\\rtf1\\ansi The readme.\\par}' >"$pkg/readme.rtf"
cp "$res/vor.ico" "$pkg/app.ico"
cp "$marker" "$pf/Tester.exe"
cp "$marker" "$pf/after.exe"
cp "$server" "$pf/Lib/server.dll"
printf 'not a library' >"$pf/notalib.dll"
printf 'Read me.\r\n' >"$pf/Docs/ReadMe.TXT"
printf 'deep' >"$pf/Docs/sub/Deep/Mixed.Case.dat"
: >"$pf/Docs/zero.bin"
head -c 3500000 /dev/urandom >"$pf/big.bin"
# pack <output> [vorpack options...]: the package as an installer.
pack() {
  local out="$1"
  shift
  "$wine" "$vorpack" --force --no-progress --stub "$(winpath "$stub")" "$(winpath "$pkg")" \
    -o "$(winpath "$out")" "$@" >"$tmp/vorpack.log" 2>&1 ||
    fail "vorpack could not build the test installer: $(cat "$tmp/vorpack.log")"
}
setup="$tmp/TesterSetup.exe"
pack "$setup"

# to_options <setup>: starts the installer and walks to the Options page.
to_options() {
  "$wine" "$1" >"$tmp/app.log" 2>&1 &
  app_pid=$!
  wait_for 60 page_is tsIntro || fail "no Intro page within 60 seconds"
  sleep 1
  click bNext
  click cbAgree
  read_controls
  click bNext
  wait_for 15 page_is tsReadme || fail "no Readme page"
  click bNext
  wait_for 15 page_is tsOptions || fail "no Options page"
}

# install <n> <destination typed> <this user: 0|1>: walks the wizard to the
# end and presses Finish.
install() {
  local n="$1" typed="$2" this_user="$3"
  to_options "$setup"
  [ "$this_user" = 1 ] && click cbThisUser
  # The destination typed over the proposed one.
  type_destination "$typed"
  expect_state "this user chosen" cbThisUser 5 "$this_user"
  shoot "$n" options
  click bNext
  wait_for 15 page_is tsinstall || fail "no Install page"
  click bNext
  wait_for 120 page_is tsComplete || fail "the run did not reach the Complete page"
  sleep 1
  read_controls
  expect "Finish" "$(text_of bNext)" "Finish"
  expect_state "Finish enabled" bNext 3 1
  expect_state "Back on Complete" bBack 3 0
  expect_state "Cancel on Complete" bCancel 3 0
  expect_state "launch box" cbLaunch 5 1
  # The folder as the run used it: without the trailing backslash typed.
  expect "destination after the run" "$(text_of eDestDir)" "${typed%\\}"
  read_boxes
  [ -s "$tmp/boxes" ] && fail "a box is open at the end of the run: $(cat "$tmp/boxes")"
  shoot "$n" complete
  click bNext
  wait_exit
}

# check_install <destination> <Programs> <Desktop> <with Quick Launch: 0|1>
check_install() {
  local dest="$1" p="$2" k="$3" with_quick="$4" d_unix
  d_unix="$(unix_of "$dest")"
  [ -d "$d_unix/Empty" ] || fail "the empty folder was not made"
  diff -r -x install.log -x '*.ran' -x '*.registered' "$pf" "$d_unix" >"$tmp/diff" ||
    fail "installed files differ from the package: $(cat "$tmp/diff")"
  local s="$p\\Tester Group\\"
  {
    printf '*Tester\r\n'
    for f in after.exe big.bin 'Docs\ReadMe.TXT' 'Docs\sub\Deep\Mixed.Case.dat' \
      'Docs\zero.bin' 'Lib\server.dll' notalib.dll Tester.exe; do
      printf '%s\r\n' "$f"
    done
    printf '%s\r\n' "${s}Tester.lnk" "${s}Read Me.lnk" "$k\\Tester.lnk"
    [ "$with_quick" = 1 ] && printf '%s\r\n' "$quick\\Tester.lnk"
    printf '%s\r\n' "REG:$dest\\Lib\\server.dll" "Exec:$dest\\after.exe"
  } >"$tmp/expected.log"
  cmp "$tmp/expected.log" "$d_unix/install.log" ||
    fail "install.log differs: $(diff <(tr -d '\r' <"$tmp/expected.log") <(tr -d '\r' <"$d_unix/install.log"))"
  # Each shortcut as the system reads it back.
  local link want
  for link in "${s}Tester.lnk|$dest\\Tester.exe|Tester" "${s}Read Me.lnk|$dest\\Docs\\ReadMe.TXT|Read Me" \
    "$k\\Tester.lnk|$dest\\Tester.exe|Tester"; do
    IFS='|' read -r file target description <<<"$link"
    want="$target|$dest|$description|$target|0"
    expect "shortcut $file" "$("$wine" "$tool" link "$file" 2>/dev/null | tr -d '\r')" "$want"
  done
  if [ "$with_quick" = 1 ]; then
    expect "Quick Launch shortcut" "$("$wine" "$tool" link "$quick\\Tester.lnk" 2>/dev/null | tr -d '\r')" \
      "$dest\\Tester.exe|$dest|Tester|$dest\\Tester.exe|0"
  fi
  [ -f "$d_unix/Lib/server.dll.registered" ] || fail "the server was not registered"
  wait_for 20 test -f "$d_unix/after.exe.ran" || fail "the post-install program did not run"
  wait_for 20 test -f "$d_unix/Tester.exe.ran" || fail "Finish did not launch the program"
  [ -f "$d_unix/notalib.dll.registered" ] && fail "a file that is not a library was registered"
  echo "installed to $dest: files, log, shortcuts and markers as expected"
}

# 1. This user, no Quick Launch folder.
rm -rf "$(unix_of "$quick")"
install 1 'C:\Tester One\' 1
check_install 'C:\Tester One' "$programs" "$desktop" 0

# 2. All users, with a Quick Launch folder.
mkdir -p "$(unix_of "$quick")"
install 2 'C:\Tester Two\' 0
check_install 'C:\Tester Two' "$common_programs" "$common_desktop" 1

# 3. An all-users Programs folder that cannot be written to (immutable, as
#    even the administrator running this test could write to a read-only one).
common_unix="$(unix_of "$common_programs")"
if chattr +i "$common_unix" 2>/dev/null; then
  cleanup_hook="chattr -i '$common_unix' 2>/dev/null"
  to_options "$setup"
  expect_state "this user after the test on entry" cbThisUser 5 1
  expect_state "all users after the test on entry" cbAllUsers 5 0
  click cbAllUsers
  expect_state "this user after a click on all users" cbThisUser 5 1
  shoot 3 options-read-only
  read_boxes
  [ -s "$tmp/boxes" ] && fail "the all-users test said something: $(cat "$tmp/boxes")"
  click bCancel
  wait_exit
  chattr -i "$common_unix"
  cleanup_hook=""
  echo "an all-users folder that cannot be written to turns the choice to this user"
else
  echo "chattr refused: the read-only all-users folder case is not run here"
fi

# 4. A damaged file: one bit of its compressed bytes flipped in the
#    installer's container.
head -c 12000 /dev/urandom >"$pf/noise.bin"
broken="$tmp/BrokenSetup.exe"
# Compressed (type 5), so that the file's blocks carry their checks: noise
# is stored as it is otherwise, and a stored block has none.
pack "$broken" -c 5
"$wine" "$tool" damage "$(winpath "$broken")" '\Programfiles\noise.bin' ||
  fail "the installer's file could not be damaged"
to_options "$broken"
click cbThisUser
type_destination 'C:\Broken'
click bNext
wait_for 15 page_is tsinstall || fail "no Install page"
click bNext
copy_error_seen() { read_boxes && grep -q '^box|' "$tmp/boxes"; }
wait_for 120 copy_error_seen || fail "no copy-error box"
# The fixed text, then the cause: the damaged file named.
box_text="$(cut -d'|' -f3 "$tmp/boxes")"
case "$box_text" in
  'There was an error in the file copy.  Installation may not be complete\r\rReboot your system and try the installation again.\r\r'*noise.bin*) ;;
  *) fail "copy-error text: $box_text" ;;
esac
shoot 4 copy-error-install
press_box_ok
# The run stops there: no Complete page for an incomplete installation,
# no shortcut, server or Postexec; Cancel leaves.
sleep 2
page_is tsinstall || fail "the run left the Install page after the copy error: $(text_of PC1)"
expect_state "Cancel after the copy error" bCancel 3 1
expect_state "Next after the copy error" bNext 3 0
shoot 4 copy-error-stays
broken_unix="$(unix_of 'C:\Broken')"
tr -d '\r' <"$broken_unix/install.log" >"$tmp/broken.log"
grep -q noise.bin "$tmp/broken.log" && fail "the damaged file is in the log"
grep -qE '\.lnk$|^(REG|Exec):' "$tmp/broken.log" && fail "the log records steps after the copy error"
[ -e "$broken_unix/after.exe.ran" ] && fail "Postexec ran after the copy error"
# Every file line (after the name) names a copied file.
awk 'NR > 1' "$tmp/broken.log" | while IFS= read -r f; do
  [ -f "$broken_unix/${f//\\//}" ] || fail "$f is in the log but not on disk"
done || exit 1
echo "a damaged file: the copy error with its cause, the copied files logged, the run stopped there"
click bCancel
wait_exit
echo "install test passed"
