# Shared by the installer's GUI tests under Wine. Sourced after
# scripts/wine-lib.sh, with $stub (the installer program), $tool (the test
# tool), $build (the build folder) and $test_name set. Starts a virtual X
# display and a fresh Wine prefix inside the build folder (both removed on
# exit; the prefix is a copy of one booted once per build) and offers:
#   wait_for <seconds> <command...>   polls every half second
#   read_controls / read_boxes        the installer window's controls and the
#                                     visible dialog boxes, into $tmp
#   text_of / enabled_of / checked_of <control>, field <control> <n>
#   expect <what> <got> <want>        fails unless equal
#   expect_state <what> <control> <field n> <want>
#                                     polls the controls up to 10 s for it
#   page_is <page>                    reads the controls; true on that page
#   click <control>                   the middle of the control, as read last
#   shoot <n> <name>                  <build>/<$shot_prefix>-<n>-<name>.png
#                                     ($shot_prefix: installer-page by default)
#   wait_exit                         the started installer ends with code 0
#   winpath <unix path>               the Windows form of a path
#   unix_of <windows path>            the Unix form of a path
#   type_destination <text>           types text over the destination box's
#                                     and waits until the box holds it
#   press_box_ok                      clicks OK of the first box read last
#   load_shell_folders                the prefix's shell folders, Windows form,
#                                     read by the test tool: $programs,
#                                     $desktop, $common_programs,
#                                     $common_desktop, $app_data, $quick
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
arch="$(wine_pe_arch "$stub")"
wine_check_program "$stub" "$arch" || exit 1
wine="$(wine_loader "$arch")"
export WINELOADER="$wine"

tmp="$(mktemp -d)"
export WINEPREFIX
WINEPREFIX="$(mktemp -d "$build/$test_name-prefix.XXXXXX")"
xvfb_pid=""
app_pid=""
cleanup_hook=""  # a command a test adds to the clean-up, run first
cleanup() {
  [ -n "$cleanup_hook" ] && eval "$cleanup_hook"
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$tmp" "$WINEPREFIX"
}
trap cleanup EXIT
fail() {
  echo "$test_name: $*" >&2
  [ -s "$tmp/controls" ] && { echo "last controls read:" >&2; cat "$tmp/controls" >&2; }
  exit 1
}

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

for tool_name in Xvfb xdotool import convert xdpyinfo; do
  command -v "$tool_name" >/dev/null || fail "$tool_name is not installed (scripts/setup.sh installs it)"
done

Xvfb -displayfd 3 -screen 0 "${xvfb_screen:-1024x768x24}" -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb_pid=$!
wait_for 20 test -s "$tmp/display" || fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"
export DISPLAY=":$(head -n1 "$tmp/display")"
wait_for 20 xdpyinfo || fail "display $DISPLAY does not answer"

# Booting a prefix costs about 20 s on the emulated route, and every GUI test
# of a build needs the same freshly booted one: it is booted once, under a
# lock, into a template beside the tests' prefixes, and each test copies it.
gui_template="$build/wine-gui-template-$arch"
WINEPREFIX="$gui_template" wine_prepare_prefix "$arch" \
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f ||
  fail "wineboot did not set up $gui_template"
cp -a "$gui_template/." "$WINEPREFIX/" || fail "cannot copy the booted prefix $gui_template"
rm -f "$WINEPREFIX/.vor-prefix-ready"

winpath() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# --- Reading the window back.
read_controls() { "$wine" "$tool" controls 2>/dev/null | tr -d '\r' >"$tmp/controls"; }
read_boxes() { "$wine" "$tool" boxes 2>/dev/null | tr -d '\r' >"$tmp/boxes"; }
# field <control> <n>: field n (1 = name) of the control's line.
field() { awk -F'|' -v c="$1" -v n="$2" '$1 == c { print $n }' "$tmp/controls"; }
text_of() { field "$1" 2; }
enabled_of() { field "$1" 3; }
checked_of() { field "$1" 5; }
expect() { # expect <what> <got> <want>
  [ "$2" = "$3" ] || fail "$1: got '$2', want '$3'"
}
expect_state() {
  local i got=""
  for ((i = 0; i < 20; i++)); do
    read_controls
    got="$(field "$2" "$3")"
    [ "$got" = "$4" ] && return 0
    sleep 0.5
  done
  fail "$1: got '$got', want '$4'"
}
page_is() { read_controls && [ "$(text_of PC1)" = "$1" ]; }
click() { # click <control>: the middle of the control, as read last
  local x y w h
  x="$(field "$1" 6)"; y="$(field "$1" 7)"; w="$(field "$1" 8)"; h="$(field "$1" 9)"
  [ -n "$x" ] || fail "no control $1 to click"
  xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
  sleep 0.7
}
shoot() { # shoot <n> <name>: the window as shown now
  local x y w h out="$build/${shot_prefix:-installer-page}-$1-$2.png"
  x="$(field Form1 6)"; y="$(field Form1 7)"; w="$(field Form1 8)"; h="$(field Form1 9)"
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out" 2>/dev/null || fail "no screenshot $out"
  [ "$(convert "$out" -format '%k' info:)" -gt 50 ] || fail "screenshot $out is nearly uniform"
  echo "screenshot: $out"
}
wait_exit() {
  wait_for 30 bash -c "! kill -0 $app_pid" || fail "the installer still runs 30 seconds after Cancel"
  wait "$app_pid"
  local status=$?
  app_pid=""
  [ "$status" -eq 0 ] || fail "the installer ended with exit code $status"
}


unix_of() { "$wine" winepath -u "$1" 2>/dev/null | tr -d '\r'; }

load_shell_folders() {
  local f
  folder() { "$wine" "$tool" folder "$1" 2>/dev/null | tr -d '\r'; }
  programs="$(folder 2)"; desktop="$(folder 16)"
  common_programs="$(folder 23)"; common_desktop="$(folder 25)"; app_data="$(folder 26)"
  for f in "$programs" "$desktop" "$common_programs" "$common_desktop" "$app_data"; do
    [ -n "$f" ] || fail "a shell folder of the prefix is unknown"
  done
  quick="$app_data\\Microsoft\\Internet Explorer\\Quick Launch"
}

type_destination() {
  click eDestDir
  xdotool key End shift+Home BackSpace
  xdotool type --delay 20 "$1"
  expect_state "typed destination" eDestDir 2 "$1"
}

# A box's text may hold "|" itself: the button's place is in the last two
# fields.
press_box_ok() {
  xdotool mousemove "$(awk -F'|' 'NR == 1 { print $(NF - 1) }' "$tmp/boxes")" \
    "$(awk -F'|' 'NR == 1 { print $NF }' "$tmp/boxes")" click 1
}
