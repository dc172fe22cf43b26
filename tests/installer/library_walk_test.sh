#!/usr/bin/env bash
# The installer and libraries planted beside it, under Wine. A marker
# library that writes "<its path>.loaded" when a process loads it (and then
# refuses the load) is copied beside a finished installer under the names
# of the library the program loads itself (rich edit) and of those the
# system loads on its behalf (version and uxtheme, which the system's user32
# loads as it starts; dwmapi, propsys, cryptbase, userenv; comctl32, which
# the program uses), and Wine is told to prefer such native libraries over
# its own.
#   the program's import table names only kernel32 and the C runtime: every
#     other system library is delay-loaded, after the search is narrowed;
#   a probe program in the same folder that loads one by bare name gets the
#     planted one (the planting works);
#   the wizard opens, shows the licence in its rich-text viewer and is
#     cancelled; the unattended installation (/S) installs; and no marker
#     appears: the installer loaded none of the planted libraries.
#
# Usage: library_walk_test.sh <VORSetup.exe> <installer_test_tool.exe>
#        <vorpack.exe> <marker_program.exe> <marker_library.dll>
#        <library_probe.exe> <build> <res> <objdump>
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../scripts/wine-lib.sh"
wine_enter_route "$1" "${BASH_SOURCE[0]}" "$@"
real_path_args "stub tool vorpack marker library probe build res objdump" "$@"
test_name="library-test"
source "$here/wine_gui_lib.sh"

names=(riched20 version uxtheme dwmapi propsys cryptbase userenv comctl32)

# The start-up imports: kernel32 and the C runtime, nothing the loader would
# look for beside the program before WinMain runs.
imports="$("$objdump" -p "$stub" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')"
[ "$imports" = "kernel32.dll msvcrt.dll " ] ||
  fail "the program imports '$imports' when it starts; expected only kernel32.dll and msvcrt.dll"
echo "the program imports only kernel32 and the C runtime when it starts"

pkg="$tmp/package"
mkdir -p "$pkg/Programfiles/Docs"
printf 'Icon=app.ico\r\nTitle=Planted Setup\r\nProgramDir=C:\\Program Files\\Planted\r\nAppname=Planted\r\nExename=Planted.exe\r\nVersion=1.2\r\nPublisher=Tests\r\n' >"$pkg/JOB.INI"
printf '{\\rtf1\\ansi Licence of the planted test.\\par}' >"$pkg/License.rtf"
cp "$res/vor.ico" "$pkg/app.ico"
cp "$marker" "$pkg/Programfiles/Planted.exe"
printf 'notes' >"$pkg/Programfiles/Docs/notes.txt"

downloads="$tmp/Downloads"
mkdir -p "$downloads"
setup="$downloads/PlantedSetup.exe"
"$wine" "$vorpack" --force --no-progress --stub "$(winpath "$stub")" "$(winpath "$pkg")" \
  -o "$(winpath "$setup")" >"$tmp/vorpack.log" 2>&1 ||
  fail "vorpack could not build the test installer: $(cat "$tmp/vorpack.log")"
for n in "${names[@]}"; do cp "$library" "$downloads/$n.dll"; done
cp "$probe" "$downloads/probe.exe"
overrides="$(IFS=,; echo "${names[*]}")=n,b"
export WINEDLLOVERRIDES="mscoree,mshtml=;$overrides"

markers() { find "$downloads" -name '*.loaded' -printf '%f ' 2>/dev/null; }

# The planting works: a program that loads by bare name gets the planted one.
# (The marker refuses the load, so the probe's own result says nothing.)
timeout 60 "$wine" "$downloads/probe.exe" riched20.dll >"$tmp/probe.log" 2>&1
[ -f "$downloads/riched20.dll.loaded" ] ||
  fail "the planted riched20.dll was not loaded by the probe; the test cannot show anything: $(cat "$tmp/probe.log")"
rm -f "$downloads"/*.loaded
echo "a program that loads by bare name gets the planted library"

# The wizard: the Intro page, the licence in the rich-text viewer, Cancel.
"$wine" "$setup" >"$tmp/app.log" 2>&1 &
app_pid=$!
wait_for 60 page_is tsIntro || fail "no Intro page within 60 seconds: $(cat "$tmp/app.log")"
expect "caption" "$(text_of Form1)" "Planted Setup"
click bNext
wait_for 15 page_is tsLicense || fail "Next on Intro did not lead to the License page"
case "$(text_of re1)" in
  "Licence of the planted test."*) ;;
  *) fail "licence viewer shows '$(text_of re1)'" ;;
esac
click bCancel
wait_exit
[ -z "$(markers)" ] || fail "the wizard loaded planted libraries: $(markers)"
echo "the wizard runs and loads none of: ${names[*]}"

# The unattended installation.
timeout 90 "$wine" "$setup" /S '/D=C:\Apps\Planted' >"$tmp/run.log" 2>&1
code=$?
[ "$code" -eq 0 ] || fail "/S ended with $code: $(cat "$tmp/run.log")"
dest="$(unix_of 'C:\Apps\Planted')"
cmp "$pkg/Programfiles/Docs/notes.txt" "$dest/Docs/notes.txt" || fail "the installation is incomplete"
[ -f "$dest/install.log" ] || fail "no install.log"
[ -z "$(markers)" ] || fail "the installation loaded planted libraries: $(markers)"
echo "/S installs and loads none of them either"
echo "planted libraries: all cases passed"
