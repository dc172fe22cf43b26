#!/usr/bin/env bash
# The wizard at 96, 120, 144 and 192 DPI under Wine (the prefix's LogPixels
# set for each): the window grows with the DPI, and on every page walked
# (Intro, License, Readme, Options, Install) every label, button, radio
# button and check box shows its whole text and lies inside its parent, as
# the test tool's "fit" measures it. Each page is photographed to
# <build>/installer-dpi-<dpi>-<n>-<page>.png.
#
# Usage: dpi_walk_test.sh <VORSetup.exe> <installer_test_tool.exe> <vorpack.exe>
#        <build> <res>
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../scripts/wine-lib.sh"
wine_enter_route "$1" "${BASH_SOURCE[0]}" "$@"
real_path_args "stub tool vorpack build res" "$@"
test_name="dpi-test"
# Room for the window at 192 DPI (twice its 96-DPI size).
xvfb_screen=1600x1200x24
source "$here/wine_gui_lib.sh"

pkg="$tmp/package"
mkdir -p "$pkg/Programfiles"
printf 'Icon=app.ico\r\nTitle=Scaled Setup\r\nInstMessage=This installs Scaled, a program with a long enough name to fill a line, on your computer.\r\nProgramDir=C:\\Program Files\\Scaled\r\nAppname=Scaled\r\nExename=scaled.exe\r\n' >"$pkg/JOB.INI"
printf '{\\rtf1\\ansi Licence of the scaled test. It is long enough to wrap in the viewer at every size the window takes, so that the wrapping is seen.\\par}' >"$pkg/License.rtf"
printf '{\\rtf1\\ansi Readme of the scaled test.\\par}' >"$pkg/readme.rtf"
cp "$res/vor.ico" "$pkg/app.ico"
printf 'program' >"$pkg/Programfiles/scaled.exe"
setup="$tmp/ScaledSetup.exe"
"$wine" "$vorpack" --force --no-progress --stub "$(winpath "$stub")" "$(winpath "$pkg")" \
  -o "$(winpath "$setup")" >"$tmp/vorpack.log" 2>&1 ||
  fail "vorpack could not build the test installer: $(cat "$tmp/vorpack.log")"

fits() { # fits <page>: every control of the page shows its text whole
  local out
  out="$("$wine" "$tool" fit 2>&1 | tr -d '\r')" || fail "at $dpi DPI on $1: $out"
  case "$out" in
    "fits|"*"|$dpi") ;;
    *) fail "at $dpi DPI on $1: the test tool says '$out'" ;;
  esac
}

width_96=""
for dpi in 96 120 144 192; do
  "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -w
  shot_prefix="installer-dpi-$dpi"
  "$wine" "$setup" >"$tmp/app.log" 2>&1 &
  app_pid=$!
  wait_for 60 page_is tsIntro || fail "no Intro page within 60 seconds at $dpi DPI"
  sleep 1.5
  read_controls
  width="$(field Form1 8)"
  if [ -z "$width_96" ]; then
    width_96="$width"
  else
    # The client area scales; the frame does not: allow it 20 pixels.
    [ "$width" -ge $((width_96 * dpi / 96 - 20)) ] ||
      fail "the window is $width pixels wide at $dpi DPI, $width_96 at 96 DPI"
  fi
  fits Intro
  shoot 1 intro
  click bNext
  wait_for 15 page_is tsLicense || fail "Next on Intro did not lead to License at $dpi DPI"
  click cbAgree
  expect_state "Next after Agree at $dpi DPI" bNext 3 1
  fits License
  shoot 2 license
  click bNext
  wait_for 15 page_is tsReadme || fail "Next on License did not lead to Readme at $dpi DPI"
  fits Readme
  shoot 3 readme
  click bNext
  wait_for 15 page_is tsOptions || fail "Next on Readme did not lead to Options at $dpi DPI"
  fits Options
  shoot 4 options
  click bNext
  wait_for 15 page_is tsinstall || fail "Next on Options did not lead to Install at $dpi DPI"
  fits Install
  shoot 5 install
  click bCancel
  wait_exit
  echo "$dpi DPI: window $width pixels wide, every page's text fits"
done
echo "dpi test passed: 96, 120, 144 and 192 DPI"
