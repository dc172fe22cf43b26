#!/usr/bin/env bash
# The installer without a window (/S) and the uninstaller it writes, under
# Wine, in one prefix. An installer built by vorpack from a test package:
#   /S /POSTEXEC /D=C:\Apps\T X installs the files, the shortcuts and
#     install.log byte for byte as the wizard writes them for the same
#     choices (all users, desktop and Quick Launch icons), registers the
#     server, runs Postexec, writes every step into the /LOG file, and writes
#     neither uninstall.exe nor an entry in the list of installed programs
#     (the job has no Uninstall=1);
#   a second /S run into a destination that cannot be made (below a file, on
#     a missing drive) ends with exit code 3 and the folder named in the /LOG
#     file, and leaves the first installation's files and shortcuts
#     byte-identical;
#   /S /CURRENTUSER /NODESKTOP changes only the Programs folder and the
#     desktop icon, and without /POSTEXEC opens nothing;
#   /S with a damaged file in the container ends with exit code 3 and the
#     copy error in the /LOG file.
# With Uninstall=1 in the job:
#   the entry in HKLM (all users) or HKCU (this user), uninstall.exe = the
#     installer's program bytes;
#   installing again: into another folder exit code 1 without /FORCE and
#     nothing written; into the same folder one entry;
#   uninstall.exe /U /S unregisters the server, removes every file, shortcut
#     and emptied folder of the installation (the folders the package
#     brought empty too) and the entry, and leaves a file the user added
#     (and its folder); /LOG= records what went;
#   a crafted install.log whose lines climb out of D deletes nothing there.
# And the wizard given /D=, /CURRENTUSER and /NODESKTOP, or an unknown switch.
# Every program run here must end by itself: a box shown would block it and
# the run's time limit would fail the test.
#
# Usage: silent_walk_test.sh <VORSetup.exe> <installer_test_tool.exe>
#        <vorpack.exe> <marker_program.exe> <test_server.dll> <build> <res>
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../scripts/wine-lib.sh"
# On a kernel that refuses i386 programs, a 32-bit installer is walked in
# the qemu namespace: this script runs again there.
wine_enter_route "$1" "${BASH_SOURCE[0]}" "$@"
real_path_args "stub tool vorpack marker server build res" "$@"
test_name="silent-test"
source "$here/wine_gui_lib.sh"

load_shell_folders
mkdir -p "$(unix_of "$quick")"
drive_c="$(unix_of 'C:\')"
entry_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Tester'

# run <limit> <exe> <arguments...>: the program's exit code in $code.
run() {
  local limit="$1"; shift
  timeout "$limit" "$wine" "$@" >"$tmp/run.log" 2>&1
  code=$?
  [ "$code" -eq 124 ] && fail "$* did not end within $limit seconds (a box shown?)"
  return 0
}

# --- The package.
pkg="$tmp/package"
pf="$pkg/Programfiles"
mkdir -p "$pf/Docs/Deep" "$pf/Lib" "$pf/Empty/Inner"
job='Icon=app.ico\r\nTitle=Tester Setup\r\nProgramDir=C:\\Program Files\\Tester\r\nAppname=Tester\r\nExename=Tester.exe\r\npregister3=PDIR\\Lib\\server.dll\r\n'
printf "$job" >"$pkg/JOB.INI"
printf 'Path=Tester Group\r\nTester=PDIR\\Tester.exe\r\nRead Me=PDIR\\Docs\\ReadMe.TXT\r\n' >"$pkg/MENU.DAT"
printf 'Postexec=PDIR\\after.exe\r\n' >"$pkg/EXECS.DAT"
printf '{\\rtf1\\ansi The licence.\\par}' >"$pkg/License.rtf"
printf '{\\rtf1\\ansi The readme.\\par}' >"$pkg/readme.rtf"
cp "$res/vor.ico" "$pkg/app.ico"
cp "$marker" "$pf/Tester.exe"
cp "$marker" "$pf/after.exe"
cp "$server" "$pf/Lib/server.dll"
printf 'Read me.\r\n' >"$pf/Docs/ReadMe.TXT"
printf 'deep' >"$pf/Docs/Deep/d.dat"
pack() {
  local out="$1"
  shift
  "$wine" "$vorpack" --force --no-progress --stub "$(winpath "$stub")" "$(winpath "$pkg")" \
    -o "$(winpath "$out")" "$@" >"$tmp/vorpack.log" 2>&1 ||
    fail "vorpack could not build the test installer: $(cat "$tmp/vorpack.log")"
}
setup="$tmp/TesterSetup.exe"
pack "$setup"

# expected_log <D> <Programs> <Desktop or ""> <Postexec: 0|1>: install.log
# as the wizard writes it for these choices (Quick Launch present).
expected_log() {
  local dest="$1" s="$2\\Tester Group\\" k="$3"
  printf '*Tester\r\n'
  printf '%s\r\n' after.exe 'Docs\Deep\d.dat' 'Docs\ReadMe.TXT' 'Lib\server.dll' Tester.exe
  printf '%s\r\n' "${s}Tester.lnk" "${s}Read Me.lnk"
  [ -n "$k" ] && printf '%s\r\n' "$k\\Tester.lnk"
  printf '%s\r\n' "$quick\\Tester.lnk" "REG:$dest\\Lib\\server.dll"
  [ "$4" = 1 ] && printf '%s\r\n' "Exec:$dest\\after.exe"
  return 0
}

# check_install <D> <Programs> <Desktop or ""> <Postexec: 0|1>
check_install() {
  local dest="$1" d_unix
  d_unix="$(unix_of "$dest")"
  diff -r -x install.log -x '*.ran' -x '*.registered' -x uninstall.exe "$pf" "$d_unix" >"$tmp/diff" ||
    fail "installed files differ from the package: $(cat "$tmp/diff")"
  expected_log "$@" >"$tmp/expected.log"
  cmp "$tmp/expected.log" "$d_unix/install.log" ||
    fail "install.log differs: $(diff <(tr -d '\r' <"$tmp/expected.log") <(tr -d '\r' <"$d_unix/install.log"))"
  local link
  while IFS= read -r link; do
    case "$link" in *.lnk) [ -f "$(unix_of "$link")" ] || fail "no shortcut $link" ;; esac
  done < <(tr -d '\r' <"$tmp/expected.log")
  [ -f "$d_unix/Lib/server.dll.registered" ] || fail "the server was not registered"
  if [ "$4" = 1 ]; then
    wait_for 20 test -f "$d_unix/after.exe.ran" || fail "the post-install program did not run"
  else
    sleep 3
    [ -e "$d_unix/after.exe.ran" ] && fail "the post-install program ran without /POSTEXEC"
  fi
  [ -e "$d_unix/Tester.exe.ran" ] && fail "the program was launched without /LAUNCH"
  # The markers of the run are no part of the installation.
  rm -f "$d_unix/Lib/server.dll.registered" "$d_unix/after.exe.ran"
}

has_entry() { "$wine" reg query "$1\\$entry_key" >"$tmp/reg.txt" 2>&1; }

# 1. /S with the destination given: everything as the wizard does it.
run 90 "$setup" /S /POSTEXEC '/LOG=C:\first.txt' /D='C:\Apps\T X'
[ "$code" -eq 0 ] || fail "/S /D= ended with $code"
check_install 'C:\Apps\T X' "$common_programs" "$common_desktop" 1
tr -d '\r' <"$drive_c/first.txt" >"$tmp/first.txt"
for want in 'Copy into C:\Apps\T X: 5 files' \
  "Shortcut $common_programs\\Tester Group\\Tester.lnk: created" \
  "Shortcut $quick\\Tester.lnk: created" 'Server C:\Apps\T X\Lib\server.dll: registered' \
  'Postexec C:\Apps\T X\after.exe: opened' 'install.log C:\Apps\T X\install.log: written'; do
  grep -qxF "$want" "$tmp/first.txt" || fail "the /LOG file lacks '$want': $(cat "$tmp/first.txt")"
done
[ -e "$drive_c/Apps/T X/uninstall.exe" ] && fail "uninstall.exe written without Uninstall=1"
has_entry HKLM && fail "an entry was written without Uninstall=1: $(cat "$tmp/reg.txt")"
has_entry HKCU && fail "an entry was written without Uninstall=1: $(cat "$tmp/reg.txt")"
echo "/S /D=: files, install.log, shortcuts, registration and Postexec as the wizard's; every step in /LOG"

# 1b. A second run into a destination that cannot be made: nothing of the
#     first installation changes, exit code 3, the folder named in the log.
first_state() {
  (cd "$drive_c/Apps/T X" && find . -type f ! -name '*.ran' ! -name '*.registered' -print0 |
    sort -z | xargs -0 sha256sum)
  local link
  for link in "$common_programs\\Tester Group\\Tester.lnk" "$common_programs\\Tester Group\\Read Me.lnk" \
    "$common_desktop\\Tester.lnk" "$quick\\Tester.lnk"; do
    sha256sum <"$(unix_of "$link")" || echo "missing $link"
  done
}
first_state >"$tmp/first.sums"
printf 'not a folder' >"$drive_c/a-file.txt"
for case in 'C:\a-file.txt\Kartograph|C:\a-file.txt' 'Q:\Nowhere\Kartograph|Q:\Nowhere'; do
  IFS='|' read -r bad named <<<"$case"
  rm -f "$drive_c/bad.txt"
  run 90 "$setup" /S /POSTEXEC '/LOG=C:\bad.txt' "/D=$bad"
  [ "$code" -eq 3 ] || fail "/S into $bad ended with $code, not 3"
  tr -d '\r' <"$drive_c/bad.txt" >"$tmp/bad.txt"
  grep -qF 'There was an error in the file copy.' "$tmp/bad.txt" || fail "no copy error: $(cat "$tmp/bad.txt")"
  grep -qF "The folder \"$named\" cannot be created: " "$tmp/bad.txt" ||
    fail "the cause is not named for $bad: $(cat "$tmp/bad.txt")"
  first_state >"$tmp/now.sums"
  cmp -s "$tmp/first.sums" "$tmp/now.sums" ||
    fail "a run into $bad changed the first installation: $(diff "$tmp/first.sums" "$tmp/now.sums")"
  echo "/S into $bad: exit 3, cause '$(grep -F 'The folder' "$tmp/bad.txt")', the first installation unchanged"
done
rm -f "$drive_c/a-file.txt"

# 2. This user, no desktop icon.
# (The desktop icon of run 1 may lie in the same folder: it goes first.)
rm -f "$(unix_of "$desktop\\Tester.lnk")" "$(unix_of "$common_desktop\\Tester.lnk")"
run 90 "$setup" /S /CURRENTUSER /NODESKTOP '/D=C:\Apps\Two'
[ "$code" -eq 0 ] || fail "/S /CURRENTUSER /NODESKTOP ended with $code"
check_install 'C:\Apps\Two' "$programs" "" 0
[ -e "$(unix_of "$desktop\\Tester.lnk")" ] && fail "a desktop icon with /NODESKTOP"
echo "/S /CURRENTUSER /NODESKTOP: the user's Programs folder, no desktop icon, no Postexec"

# 3. A damaged file: exit 3, the copy error in the log file.
head -c 12000 /dev/urandom >"$pf/noise.bin"
broken="$tmp/BrokenSetup.exe"
# Compressed (type 5), so that the file's blocks carry their checks: noise
# is stored as it is otherwise, and a stored block has none.
pack "$broken" -c 5
rm -f "$pf/noise.bin"
"$wine" "$tool" damage "$(winpath "$broken")" '\Programfiles\noise.bin' ||
  fail "the installer's file could not be damaged"
run 90 "$broken" /S '/LOG=C:\setup log.txt' '/D=C:\Apps\Broken'
[ "$code" -eq 3 ] || fail "/S with a damaged container ended with $code, not 3"
printf 'There was an error in the file copy.  Installation may not be complete\r\n\r\nReboot your system and try the installation again.\r\n\r\n' >"$tmp/copy-error.txt"
cmp -n "$(stat -c %s "$tmp/copy-error.txt")" "$tmp/copy-error.txt" "$drive_c/setup log.txt" ||
  fail "the log file holds: $(cat -A "$drive_c/setup log.txt" 2>&1)"
grep -q 'noise.bin' "$drive_c/setup log.txt" || fail "the damaged file is not named: $(cat "$drive_c/setup log.txt")"
[ -e "$(unix_of 'C:\Apps\Broken\after.exe.ran')" ] && fail "Postexec ran after the copy error"
echo "/S with a damaged container: exit 3, the copy error and its cause in the log file"

# 4. Uninstall=1: the uninstaller and its entry.
printf "${job}Uninstall=1\r\n" >"$pkg/JOB.INI"
with_uninstall="$tmp/UninstallSetup.exe"
pack "$with_uninstall"
run 90 "$with_uninstall" /S /POSTEXEC '/D=C:\Apps\U One'
[ "$code" -eq 0 ] || fail "/S with Uninstall=1 ended with $code"
d1="$drive_c/Apps/U One"
check_install 'C:\Apps\U One' "$common_programs" "$common_desktop" 1
[ -f "$d1/uninstall.exe" ] || fail "no uninstall.exe"
size=$(stat -c %s "$d1/uninstall.exe")
[ "$size" -lt "$(stat -c %s "$with_uninstall")" ] || fail "uninstall.exe holds the container"
# The program's bytes; only the header checksum differs (the installer's
# covers the container too).
checksum_at=$(($(od -An -t u4 -j 60 -N 4 "$with_uninstall" | tr -d ' ') + 88))
differing="$(cmp -l -n "$size" "$d1/uninstall.exe" "$with_uninstall" |
  awk -v lo=$((checksum_at + 1)) -v hi=$((checksum_at + 4)) '$1 < lo || $1 > hi' | wc -l)"
[ "$differing" -eq 0 ] || fail "uninstall.exe is not the program's bytes ($differing bytes differ)"
has_entry HKLM || fail "no entry under HKLM: $(cat "$tmp/reg.txt")"
for want in 'DisplayName    REG_SZ    Tester' 'InstallLocation    REG_SZ    C:\Apps\U One' \
  'UninstallString    REG_SZ    "C:\Apps\U One\uninstall.exe" /U' \
  'QuietUninstallString    REG_SZ    "C:\Apps\U One\uninstall.exe" /U /S' \
  'DisplayIcon    REG_SZ    C:\Apps\U One\Tester.exe' 'NoModify    REG_DWORD    0x1'; do
  grep -qF "$want" <(tr -d '\r' <"$tmp/reg.txt") || fail "the entry lacks '$want': $(cat "$tmp/reg.txt")"
done
# 4b. Installing again: another folder only with /FORCE; the same folder
#     keeps one entry.
run 90 "$with_uninstall" /S '/LOG=C:\again.txt' '/D=C:\Apps\Elsewhere'
[ "$code" -eq 1 ] || fail "a second installation into another folder ended with $code, not 1"
grep -qF 'Tester is already installed in C:\Apps\U One' "$drive_c/again.txt" ||
  fail "no reason in the log: $(cat "$drive_c/again.txt")"
[ -e "$drive_c/Apps/Elsewhere" ] && fail "the refused installation wrote its folder"
run 90 "$with_uninstall" /S '/D=C:\Apps\u one\'
[ "$code" -eq 0 ] || fail "a second installation into the same folder ended with $code"
has_entry HKLM || fail "no entry after installing again: $(cat "$tmp/reg.txt")"
has_entry HKCU && fail "two entries for one installation: $(cat "$tmp/reg.txt")"
rm -f "$d1/after.exe.ran" "$d1/Lib/server.dll.registered"
echo "installing again: another folder refused with exit 1, the same folder keeps one entry"

cp "$d1/uninstall.exe" "$tmp/uninstall-copy.exe"
printf 'mine' >"$d1/Docs/notes.txt"

run 90 'C:\Apps\U One\uninstall.exe' /U /S
[ "$code" -eq 0 ] || fail "uninstall.exe /U /S ended with $code: $(cat "$tmp/run.log")"
left="$(cd "$d1" && find . -mindepth 1 | sort | tr '\n' ' ')"
# What stays: the user's file with its folder, the server's unregistration
# marker with its folder, and the uninstaller when the system would not let
# it delete itself while running (it goes at the next start).
want_left='./Docs ./Docs/notes.txt ./Lib ./Lib/server.dll.unregistered '
[ "$left" = "$want_left" ] || [ "$left" = "${want_left}./uninstall.exe " ] ||
  fail "after the removal D holds: $left"
[ -e "$(unix_of "$common_programs\\Tester Group")" ] && fail "the Start-menu folder stays"
[ -e "$(unix_of "$common_desktop\\Tester.lnk")" ] && fail "the desktop icon stays"
[ -e "$(unix_of "$quick\\Tester.lnk")" ] && fail "the Quick Launch icon stays"
has_entry HKLM && fail "the entry stays: $(cat "$tmp/reg.txt")"
has_entry HKCU && fail "the entry stays: $(cat "$tmp/reg.txt")"
echo "uninstall.exe /U /S: server unregistered, files, shortcuts, folders and entry gone; the user's file stays (left: $left)"

# 5. This user's entry, and a removal that leaves nothing.
run 90 "$with_uninstall" /S /CURRENTUSER '/D=C:\Apps\U Two'
[ "$code" -eq 0 ] || fail "/S /CURRENTUSER with Uninstall=1 ended with $code"
d2="$drive_c/Apps/U Two"
check_install 'C:\Apps\U Two' "$programs" "$desktop" 0
has_entry HKCU || fail "no entry under HKCU: $(cat "$tmp/reg.txt")"
has_entry HKLM && fail "an entry under HKLM for this user: $(cat "$tmp/reg.txt")"
# The server unregisters without its marker.
VOR_TEST_SERVER_RESULT=0 run 90 'C:\Apps\U Two\uninstall.exe' /U /S '/LOG=C:\removal.txt'
[ "$code" -eq 0 ] || fail "the second removal ended with $code: $(cat "$tmp/run.log")"
tr -d '\r' <"$drive_c/removal.txt" >"$tmp/removal.txt"
for want in 'Removed C:\Apps\U Two\Tester.exe' 'Removed C:\Apps\U Two\Empty\Inner' \
  'Removed C:\Apps\U Two\Empty' 'Tester has been removed.'; do
  grep -qxF "$want" "$tmp/removal.txt" || fail "the removal's log lacks '$want': $(cat "$tmp/removal.txt")"
done
if [ -e "$d2" ]; then
  left="$(cd "$d2" && find . -mindepth 1 | sort | tr '\n' ' ')"
  [ "$left" = "./uninstall.exe " ] || fail "after the second removal D holds: $left"
  "$wine" reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' \
    /v PendingFileRenameOperations 2>/dev/null | tr -d '\r' >"$tmp/pending.txt"
  grep -qF 'C:\Apps\U Two\uninstall.exe' "$tmp/pending.txt" ||
    fail "the running uninstaller is not deleted at the next start: $(cat "$tmp/pending.txt")"
  echo "the running uninstaller and its folder go at the next start"
fi
has_entry HKCU && fail "this user's entry stays: $(cat "$tmp/reg.txt")"
[ -e "$(unix_of "$programs\\Tester Group")" ] && fail "the user's Start-menu folder stays"
echo "this user's installation removed with its entry"

# 5b. A new installation into that folder before the restart withdraws the
#     pending deletion of the uninstaller it writes there again.
pending_u_two() {
  "$wine" reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' \
    /v PendingFileRenameOperations 2>/dev/null | tr -d '\r' | grep -qF 'C:\Apps\U Two\uninstall.exe'
}
if pending_u_two; then
  run 90 "$with_uninstall" /S /CURRENTUSER '/D=C:\Apps\U Two'
  [ "$code" -eq 0 ] || fail "the reinstallation ended with $code"
  pending_u_two && fail "the reinstalled uninstaller is still to be deleted at the next start"
  [ -f "$d2/uninstall.exe" ] || fail "the reinstallation wrote no uninstaller"
  echo "a reinstallation withdraws the pending deletion of the uninstaller it wrote"
  VOR_TEST_SERVER_RESULT=0 run 90 'C:\Apps\U Two\uninstall.exe' /U /S
  [ "$code" -eq 0 ] || fail "the removal after the reinstallation ended with $code"
fi

# 6. A crafted install.log: lines that climb out of D delete nothing there.
mkdir -p "$drive_c/Apps/Crafted" "$drive_c/Apps/Other"
printf 'x' >"$drive_c/x"
printf 'x' >"$drive_c/Apps/x"
printf 'x' >"$drive_c/Apps/Other/y"
printf '*Tester\r\n..\\..\\x\r\n..\\x\r\nC:\\x\r\n\\\\server\\x\r\n..\\Other\\y\r\nC:\\Apps\\Other\\y\r\n' \
  >"$drive_c/Apps/Crafted/install.log"
cp "$tmp/uninstall-copy.exe" "$drive_c/Apps/Crafted/uninstall.exe"
run 90 'C:\Apps\Crafted\uninstall.exe' /U /S '/LOG=C:\crafted.txt'
[ "$code" -eq 4 ] || fail "the crafted log's removal ended with $code, not 4"
for f in x Apps/x Apps/Other/y; do
  [ -f "$drive_c/$f" ] || fail "the crafted log deleted C:\\$f"
done
[ "$(grep -c . "$drive_c/crafted.txt")" -ge 6 ] || fail "the refusals were not logged: $(cat "$drive_c/crafted.txt")"
echo "a crafted install.log: every line outside D refused, nothing deleted there"
# 6b. A file symlink where install.log names an installed file, leading out
#     of D: neither the link nor its target is deleted.
mkdir -p "$drive_c/Apps/Linked"
printf 'keep me' >"$drive_c/Apps/Other/target.txt"
ln -s "$drive_c/Apps/Other/target.txt" "$drive_c/Apps/Linked/notes.txt"
printf 'x' >"$drive_c/Apps/Linked/app.dat"
printf '*Tester\r\nnotes.txt\r\napp.dat\r\n' >"$drive_c/Apps/Linked/install.log"
cp "$tmp/uninstall-copy.exe" "$drive_c/Apps/Linked/uninstall.exe"
run 90 'C:\Apps\Linked\uninstall.exe' /U /S
[ "$code" -eq 4 ] || fail "the removal with a linked file ended with $code, not 4"
[ "$(cat "$drive_c/Apps/Other/target.txt" 2>/dev/null)" = "keep me" ] ||
  fail "the removal deleted or changed the link's target outside D"
[ -L "$drive_c/Apps/Linked/notes.txt" ] || fail "the link was not left alone"
[ -e "$drive_c/Apps/Linked/app.dat" ] && fail "the plain installed file stays"
echo "a file symlink in install.log: left alone with its target"
# 7. The wizard with a command line: /D= is the destination box's text,
#    /CURRENTUSER and /NODESKTOP set their buttons; an unknown switch shows
#    the switches in a box and ends with exit code 1.
"$wine" "$setup" /CURRENTUSER /NODESKTOP '/D=C:\Given Place' >"$tmp/app.log" 2>&1 &
app_pid=$!
wait_for 60 page_is tsIntro || fail "no Intro page with a command line"
sleep 1
read_controls
expect "destination from /D=" "$(text_of eDestDir)" 'C:\Given Place'
expect_state "this user from /CURRENTUSER" cbThisUser 5 1
expect_state "desktop icon with /NODESKTOP" cbDesktop 5 0
expect_state "Quick Launch icon" cbQuick 5 1
click bCancel
wait_exit
"$wine" "$setup" /BOGUS >"$tmp/app.log" 2>&1 &
app_pid=$!
usage_seen() { read_boxes && grep -q "Unknown switch: /BOGUS" "$tmp/boxes"; }
wait_for 60 usage_seen || fail "no box for an unknown switch"
grep -q "/NOQUICKLAUNCH" "$tmp/boxes" || fail "the box lists no switches: $(cat "$tmp/boxes")"
press_box_ok
wait_for 30 bash -c "! kill -0 $app_pid" || fail "the installer still runs after the box"
wait "$app_pid"
status=$?
app_pid=""
[ "$status" -eq 1 ] || fail "an unknown switch ended with $status, not 1"
echo "the wizard takes /D=, /CURRENTUSER and /NODESKTOP; an unknown switch lists the switches"

# 8. The removal with its window: the question, then one box that tells what
#    was removed; the folder the installation made is gone (or, with the
#    running uninstaller, left to the next start).
run 90 "$with_uninstall" /S '/D=C:\Apps\U Three'
[ "$code" -eq 0 ] || fail "/S into U Three ended with $code"
# The server's registration marker is no part of the installation, and it
# unregisters without leaving one.
rm -f "$drive_c/Apps/U Three/Lib/server.dll.registered" "$drive_c/Apps/U Three/after.exe.ran"
VOR_TEST_SERVER_RESULT=0 "$wine" 'C:\Apps\U Three\uninstall.exe' /U >"$tmp/app.log" 2>&1 &
app_pid=$!
box_says() { read_boxes && grep -qF "$1" "$tmp/boxes"; }
wait_for 60 box_says 'Remove Tester and all of its components?' || fail "no question: $(cat "$tmp/boxes")"
press_box_ok
wait_for 60 box_says 'Tester has been removed.' || fail "no report box: $(cat "$tmp/boxes")"
grep -qF 'Removed: 10 files and shortcuts' "$tmp/boxes" || fail "the report: $(cat "$tmp/boxes")"
grep -qF 'Kept' "$tmp/boxes" && fail "the report keeps a folder: $(cat "$tmp/boxes")"
press_box_ok
wait_exit
d3="$drive_c/Apps/U Three"
if [ -e "$d3" ]; then
  left="$(cd "$d3" && find . -mindepth 1 | sort | tr '\n' ' ')"
  [ "$left" = "./uninstall.exe " ] || fail "after the removal with its window D holds: $left"
fi
echo "the removal with its window: the question, then '$(grep -oF 'Tester has been removed.' "$tmp/boxes")' with what went"
echo "silent installation and removal: all cases passed"
