#!/usr/bin/env bash
# Start the program in a real display: the main window appears with exactly
# one document window, 文档 1, and a toolbar with its pictures; File > Exit
# ends it normally.
source "$(dirname "$0")/lib.sh"

start_display
export SCRIVLET_WINDOW_REPORT=$WORK/windows.txt
start_main_window 0.5

import -window root "$OUT/startup.png"
# The toolbar row lies under the menu bar: its pictures must not be blank.
colours=$(convert "$OUT/startup.png" -crop "300x26+$((X + 4))+$((Y + 26))" +repage -unique-colors txt:- | tail -n +2 | wc -l)
echo "toolbar colours: $colours"
[ "$colours" -ge 6 ] || fail "the toolbar looks blank ($colours colours)"

# File > Exit with the keyboard.
exit_by_menu

cat "$WORK/windows.txt"
grep -qx $'main\tPelm简易文本编辑器' "$WORK/windows.txt" || fail "main window caption"
[ "$(grep -c $'^document\t' "$WORK/windows.txt")" = 1 ] || fail "not exactly one document window"
grep -qx $'document\t文档 1' "$WORK/windows.txt" || fail "the document is not 文档 1"
echo "PASS"
