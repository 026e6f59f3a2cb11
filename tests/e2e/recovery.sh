#!/usr/bin/env bash
# Crash recovery as a person meets it: type a line and make part of it bold
# with the real toolbar button, wait for the recovery copy, kill the program
# with SIGKILL, start it again, accept the offer with Enter, and leave with
# File > Exit, giving up the restored document when asked. The window report
# written at exit must show the text back, bold where it was.
source "$(dirname "$0")/lib.sh"
command -v python3 >/dev/null || { echo "SKIP: python3 is not installed"; exit 77; }

start_display
start_main_window 0.8
import -window root "$OUT/recovery-start.png"
read -r bold_x _ button_y < <(locate_buttons "$OUT/recovery-start.png") || fail "toolbar buttons not found"

# "Saved" bold, then " never" plain.
xdotool mousemove --sync "$bold_x" "$button_y" click 1
sleep 0.3
xdotool type --delay 40 "Saved"
xdotool mousemove --sync "$bold_x" "$button_y" click 1
sleep 0.3
xdotool type --delay 40 " never"

# The copy follows about 2 s after typing pauses.
copy_written() {
  copy=$(ls "$XDG_STATE_HOME"/scrivlet/recovery/*/doc-1.rtf 2>/dev/null | head -n1 || true)
  [ -n "$copy" ] && grep -q never "$copy"
}
poll 100 copy_written || fail "no recovery copy was written"
[ "$(stat -c %a "$(dirname "$copy")")" = 700 ] || fail "the recovery folder is not private"
[ "$(stat -c %a "$copy")" = 600 ] || fail "the recovery copy is not private"

kill -KILL "$APP_PID"
wait "$APP_PID" 2>/dev/null || true
APP_PID=

# Start again: the offer shows once the main window is up; Enter restores.
export SCRIVLET_WINDOW_REPORT=$WORK/windows.txt
start_program
win=$(wait_main_window) || fail "no main window after the restart"
offer=$(wait_window Scrivlet) || fail "the recovery offer did not show"
import -window root "$OUT/recovery-offer.png"
xdotool windowfocus --sync "$offer"
xdotool key --clearmodifiers Return
sleep 1

# Exit: the restored document is changed, so Exit asks; Alt+N gives it up.
xdotool windowfocus --sync "$win"
xdotool key --clearmodifiers alt+f
sleep 0.5
xdotool key --clearmodifiers x
answer_until_exit alt+n
[ "$EXIT_CODE" = 0 ] || fail "the program did not end normally ($EXIT_CODE)"
[ "${ANSWERED:-0}" = 1 ] || fail "Exit asked ${ANSWERED:-0} times about one restored document"

cat "$SCRIVLET_WINDOW_REPORT"
grep -qP '^content\t文档 2\t1\t0\tSaved never$' "$SCRIVLET_WINDOW_REPORT" ||
  fail "the restored document does not hold the text, bold at its start"
[ -z "$(ls -A "$XDG_STATE_HOME/scrivlet/recovery")" ] || fail "recovery files were left after a normal exit"
echo "PASS"
