#!/usr/bin/env bash
# The command line. Without a display, --help and --version answer and an
# unknown option gets the usage on standard error with status 2. In a real
# display, `scrivlet a.rtf missing.rtf b.txt` opens a.rtf in 文档 1 and
# b.txt in a window of its own, after reporting the missing file.
source "$(dirname "$0")/lib.sh"

nodisplay() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$PROGRAM" "$@"; }
[ "$(nodisplay --version)" = "scrivlet 1.0.2" ] || fail "--version"
nodisplay --help | grep -q '^Usage: scrivlet \[OPTION\]... \[FILE\]...$' || fail "--help"
status=0
nodisplay --no-such-option >"$WORK/out" 2>"$WORK/err" || status=$?
[ "$status" = 2 ] && [ ! -s "$WORK/out" ] && grep -q '^Usage: ' "$WORK/err" || fail "unknown option: status $status"

start_display
export SCRIVLET_WINDOW_REPORT=$WORK/windows.txt
printf '{\\rtf1\\ansi {\\b alpha}}' >"$WORK/a.rtf"
printf '第二个文件' >"$WORK/b.txt"
(cd "$WORK" && exec "$PROGRAM" a.rtf missing.rtf b.txt) >"$WORK/app.log" 2>&1 &
APP_PID=$!

# The missing file is reported while the others open; Enter closes the report.
report=$(wait_window Scrivlet) || fail "the missing file was not reported"
import -window root "$OUT/cmdline-report.png"
xdotool windowfocus --sync "$report"
xdotool key --clearmodifiers Return
win=$(wait_main_window) || fail "no main window"
xdotool windowfocus --sync "$win"
sleep 0.5
import -window root "$OUT/cmdline.png"
exit_by_menu

cat "$WORK/windows.txt"
[ "$(grep -c $'^document\t' "$WORK/windows.txt")" = 2 ] || fail "not exactly two document windows"
grep -qx $'content\t'"$WORK/a.rtf"$'\t1\t0\talpha' "$WORK/windows.txt" || fail "a.rtf is not open, bold"
grep -qx $'content\t'"$WORK/b.txt"$'\t0\t0\t第二个文件' "$WORK/windows.txt" || fail "b.txt is not open"
echo "PASS"
