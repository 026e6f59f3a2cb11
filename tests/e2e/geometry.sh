#!/usr/bin/env bash
# The main window's geometry survives a restart: start with a fresh
# configuration, move and resize the window, leave with File > Exit from the
# keyboard, find exactly the four values in the user's hive (15 twips to the
# pixel), and the same geometry at the next start. Done twice: the second
# time with the window partly left of and above the screen, so the values
# are negative (two's complement in the file). Last, a hive that cannot be
# written: the exit reports it in a message box and the program still ends
# normally. There is no window manager in Xvfb, so the window's frame is the
# window itself.
source "$(dirname "$0")/lib.sh"

HIVE=$XDG_CONFIG_HOME/scrivlet/HKEY_CURRENT_USER.reg

geometry_of() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$X $Y $WIDTH $HEIGHT"
}

# The hive's value lines for the settings key, one "name=data" per line.
settings_values() {
  tr -d '\r' <"$HIVE" | awk '
    /^\[/ { inside = ($0 == "[HKEY_CURRENT_USER\\Software\\Korvane\\Scrivlet\\Settings]"); next }
    inside && /^"/ { print }'
}

dword() { printf 'dword:%08x' $(( ($1 * 15) & 0xFFFFFFFF )); }

exit_with_keyboard() {
  xdotool windowfocus --sync "$1"
  sleep 0.3
  exit_by_menu
}

# Moves and resizes the window, exits, checks the hive, starts again and
# checks the window comes back where it was left.
round_trip() {
  local x=$1 y=$2 w=$3 h=$4 win
  start_program
  win=$(wait_main_window) || fail "no main window"
  xdotool windowmove --sync "$win" "$x" "$y"
  xdotool windowsize --sync "$win" "$w" "$h"
  sleep 0.5
  [ "$(geometry_of "$win")" = "$x $y $w $h" ] || fail "xdotool could not place the window: $(geometry_of "$win")"
  exit_with_keyboard "$win"

  [ -f "$HIVE" ] || fail "no hive at $HIVE"
  cat "$HIVE"
  local expected
  expected=$(printf '"MainLeft"=%s\n"MainTop"=%s\n"MainWidth"=%s\n"MainHeight"=%s' \
    "$(dword "$x")" "$(dword "$y")" "$(dword "$w")" "$(dword "$h")")
  [ "$(settings_values)" = "$expected" ] || fail "the hive holds $(settings_values), not $expected"

  start_program
  win=$(wait_main_window) || fail "no main window at the second start"
  sleep 0.5
  [ "$(geometry_of "$win")" = "$x $y $w $h" ] || fail "restored as $(geometry_of "$win"), not $x $y $w $h"
  exit_with_keyboard "$win"
}

start_display
[ ! -e "$HIVE" ] || fail "the configuration is not fresh"
round_trip 137 91 640 420
round_trip -40 -25 520 380

# A file where the hive's folder belongs: the first write fails.
rm -rf "$XDG_CONFIG_HOME/scrivlet"
echo "not a folder" >"$XDG_CONFIG_HOME/scrivlet"
start_program
win=$(wait_main_window) || fail "no main window with an unwritable configuration"
xdotool windowfocus --sync "$win"
sleep 0.3
xdotool key --clearmodifiers alt+f
sleep 0.3
xdotool key x
report=$(wait_window Scrivlet 50) || fail "no report of the failed write"
import -window "$report" "$OUT/geometry-report.png"
xdotool windowfocus --sync "$report"
xdotool key Return
wait_exit
[ "$EXIT_CODE" = 0 ] || fail "the program did not end normally after the report: $EXIT_CODE"
[ "$(cat "$XDG_CONFIG_HOME/scrivlet")" = "not a folder" ] || fail "the file in the folder's place was changed"
echo "PASS"
