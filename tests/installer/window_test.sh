#!/usr/bin/env bash
# The installer window under Wine on a virtual X display: starts the
# program, finds its window by the title "VOR Installer", saves a screenshot
# as <build>/installer-window.png, clicks Cancel and checks that the process
# has ended.
#
# Usage: window_test.sh <VORSetup.exe> <build folder>
# Runs in a fresh WINEPREFIX made inside the build folder and on its own Xvfb
# with a display number that Xvfb picks; the Wine server and Xvfb are stopped
# and the prefix is removed at the end.
set -uo pipefail
exe="$(realpath "$1")"
build="$(realpath "$2")"
shot="$build/installer-window.png"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-lib.sh"
# On a kernel that refuses i386 programs, a 32-bit installer is walked in
# the qemu namespace: this script runs again there.
wine_enter_route "$1" "${BASH_SOURCE[0]}" "$@"
# The loader follows the program: 32-bit Wine for the shipped PE32 installer,
# wine64 for the PE32+ build. A program that is neither fails here.
arch="$(wine_pe_arch "$exe")"
wine_check_program "$exe" "$arch" || exit 1
wine="$(wine_loader "$arch")"
export WINELOADER="$wine"

tmp="$(mktemp -d)"
export WINEPREFIX
WINEPREFIX="$(mktemp -d "$build/window-test-prefix.XXXXXX")"
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$tmp" "$WINEPREFIX"
}
trap cleanup EXIT
fail() { echo "window test: $*" >&2; exit 1; }

# wait_for <seconds> <command...>: polls every half second.
wait_for() {
  local limit=$(($1 * 2)); shift
  local i
  for ((i = 0; i < limit; i++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.5
  done
  return 1
}

for tool in Xvfb xdotool import xdpyinfo; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/setup.sh installs it)"
done
[ -f "$exe" ] || fail "no program at $exe"

# A virtual display on a free number, chosen by Xvfb itself.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
wait_for 20 test -s "$tmp/display" || fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"
export DISPLAY=":$(head -n1 "$tmp/display")"
wait_for 20 xdpyinfo || fail "display $DISPLAY does not answer"

# The prefix. No window manager runs on the virtual display, so Wine draws
# the window frames itself.
WINEARCH="$arch" "$wine" wineboot --init >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w
[ -f "$WINEPREFIX/system.reg" ] || fail "wineboot did not set up $WINEPREFIX"

# visible_named <min width> <max width>: the first visible window titled
# "VOR Installer" whose width lies in the range.
visible_named() {
  local w
  for w in $(xdotool search --onlyvisible --name '^VOR Installer$' 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    if [ "$WIDTH" -ge "$1" ] && [ "$WIDTH" -le "$2" ]; then
      echo "$w"
      return 0
    fi
  done
}

# start_app: starts the installer and waits for its window. The program
# alone carries no container, so it first says "Cannot open file '<path>'"
# in its error box (narrower than the window), which Enter closes. Once, on a
# heavily loaded machine, the program ended before showing its window and
# passed at once when run again; such a start is reported with Wine's error
# output and made once more.
start_app() {
  WINEDEBUG=err+all,fixme-all "$wine" "$exe" >"$tmp/app.log" 2>&1 &
  app_pid=$!
  wid=""
  local box="" answered=""
  for ((i = 0; i < 240; i++)); do
    if [ -z "$answered" ]; then
      box="$(visible_named 1 602)"
      if [ -n "$box" ]; then
        sleep 1
        xdotool windowfocus --sync "$box" key Return 2>/dev/null || xdotool key Return
        answered=1
      fi
    fi
    wid="$(visible_named 603 100000)"
    [ -n "$wid" ] && return 0
    if ! kill -0 "$app_pid" 2>/dev/null; then
      wait "$app_pid"; status=$?; app_pid=""
      echo "the installer ended with code $status before showing its window: $(tail -c 2000 "$tmp/app.log")" >&2
      return 1
    fi
    sleep 0.5
  done
  return 0
}
start_app || { wineserver -w 2>/dev/null; start_app; } || fail "the installer did not show its window"
[ -n "$wid" ] || fail "no window titled \"VOR Installer\" within 60 seconds"
sleep 2  # let the window paint

eval "$(xdotool getwindowgeometry --shell "$wid")"
echo "window $wid at $X,$Y size ${WIDTH}x$HEIGHT"
[ "$WIDTH" -ge 603 ] && [ "$HEIGHT" -ge 335 ] || fail "window smaller than 603 x 335"

import -window "$wid" "$shot" 2>"$tmp/import.log" ||
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$shot" ||
  fail "no screenshot: $(cat "$tmp/import.log")"
colors="$(convert "$shot" -format '%k' info:)"
echo "screenshot: $shot ($colors colours)"
[ "$colors" -gt 50 ] || fail "the screenshot is nearly uniform: the window did not paint"

# Cancel sits at (512, 8) in the button panel at the bottom of the client
# area; the frame's border is as wide at the bottom as at the sides.
border=$(((WIDTH - 603) / 2))
client_x=$((X + border))
client_y=$((Y + HEIGHT - border - 335))
cancel_x=$((client_x + 512 + 37))
cancel_y=$((client_y + 295 + 8 + 12))
xdotool mousemove "$cancel_x" "$cancel_y" click 1

if ! wait_for 30 bash -c "! kill -0 $app_pid"; then
  fail "the installer still runs 30 seconds after Cancel"
fi
wait "$app_pid"
status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "the installer ended with exit code $status"
echo "window test passed: Cancel ended the installer"
