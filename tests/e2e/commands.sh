#!/usr/bin/env bash
# Commands as a person gives them, in a real display: type a line, select it,
# click the real toolbar buttons 粗体 and 置中, copy with Ctrl+C, open a second
# document with Ctrl+N, paste with Ctrl+V, tile the windows from the Window
# menu with the keyboard and leave with File > Exit, giving up both changed
# documents when asked. The window report written
# at exit tells what each document held and where its window lay.
source "$(dirname "$0")/lib.sh"
command -v python3 >/dev/null || { echo "SKIP: python3 is not installed"; exit 77; }

start_display
export SCRIVLET_WINDOW_REPORT=$WORK/windows.txt
start_main_window 0.8

# Opens a menu with its access key and waits until its drop-down is mapped,
# so that the next key goes to the menu and not to the document.
windows_shown() { xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null | wc -l; }
open_menu() {
  local before
  before=$(windows_shown)
  xdotool key --clearmodifiers "$1"
  poll 50 more_windows_than "$before" || fail "the menu of $1 did not open"
  sleep 0.1
}
more_windows_than() { [ "$(windows_shown)" -gt "$1" ]; }

import -window root "$OUT/commands-start.png"
read -r bold_x centre_x button_y < <(locate_buttons "$OUT/commands-start.png") || fail "toolbar buttons not found"
echo "粗体 at $bold_x,$button_y; 置中 at $centre_x,$button_y"

# Type a line and select it back to the start.
xdotool type --delay 40 "Hello World"
xdotool key --clearmodifiers shift+Home
sleep 0.3
# The real toolbar buttons.
xdotool mousemove --sync "$bold_x" "$button_y" click 1
sleep 0.3
xdotool mousemove --sync "$centre_x" "$button_y" click 1
sleep 0.3
# Copy, a second document, paste.
xdotool key --clearmodifiers ctrl+c
sleep 0.3
xdotool key --clearmodifiers ctrl+n
sleep 0.5
xdotool key --clearmodifiers ctrl+v
sleep 0.3
# Window > Tile horizontally.
open_menu alt+w
xdotool key h
sleep 0.5
import -window root "$OUT/commands-tiled.png"
# File > Exit; both documents were changed, so each asks: 不保存.
open_menu alt+f
xdotool key x
answer_until_exit alt+n
[ "$EXIT_CODE" = 0 ] || fail "the program did not end normally: $EXIT_CODE"
[ "$ANSWERED" = 2 ] || fail "Exit asked $ANSWERED times, not once for each changed document"

cat "$WORK/windows.txt"
field() { awk -F'\t' -v kind="$1" -v doc="$2" -v n="$3" '$1 == kind && $2 == doc { print $n }' "$WORK/windows.txt"; }
[ "$(grep -c $'^document\t' "$WORK/windows.txt")" = 2 ] || fail "not exactly two document windows"
# 文档 1: the typed line, bold (clicked 粗体) and centred (clicked 置中).
[ "$(field content '文档 1' 5)" = "Hello World" ] || fail "文档 1 does not hold the typed line"
[ "$(field content '文档 1' 3)" = 1 ] || fail "文档 1 is not bold"
[ "$(field content '文档 1' 4)" = 2 ] || fail "文档 1 is not centred"
# 文档 2: the pasted line, still bold: it came through the clipboard as RTF.
[ "$(field content '文档 2' 5)" = "Hello World" ] || fail "文档 2 does not hold the pasted line"
[ "$(field content '文档 2' 3)" = 1 ] || fail "the pasted line lost its bold"
# Tiled horizontally: full width, one above the other, together the area's height.
read -r area_w area_h < <(awk -F'\t' '$1 == "area" { print $2, $3 }' "$WORK/windows.txt")
read -r x1 y1 w1 h1 min1 < <(awk -F'\t' '$1 == "window" && $2 == "文档 1" { print $3, $4, $5, $6, $7 }' "$WORK/windows.txt")
read -r x2 y2 w2 h2 min2 < <(awk -F'\t' '$1 == "window" && $2 == "文档 2" { print $3, $4, $5, $6, $7 }' "$WORK/windows.txt")
[ "$x1,$y1,$w1,$min1" = "0,0,$area_w,0" ] || fail "文档 1 is not the full-width top tile"
[ "$x2,$y2,$w2,$min2" = "0,$h1,$area_w,0" ] || fail "文档 2 is not the full-width tile under 文档 1"
[ "$((h1 + h2))" = "$area_h" ] || fail "the tiles do not cover the area's height"
[ "$((h1 - h2))" -le 1 ] && [ "$((h2 - h1))" -le 1 ] || fail "the tiles differ in height"
echo "PASS"
