#!/usr/bin/env bash
# Type into the first document, save it with File > Save As through the real
# file dialog (typing the path), then File > New and File > Open through the
# real dialog: the file holds the text as RTF, and the new window shows the
# same text under the file's path. Then File > Print through the real print
# dialog, which on a machine without printers writes a PDF.
source "$(dirname "$0")/lib.sh"

# Presses Enter in the dialog until it closes (the first Enter may only take
# a completion the file-name field offered).
accept_dialog() {
  for _ in 1 2 3; do
    xdotool key --clearmodifiers Return
    sleep 0.7
    find_window "$1" >/dev/null || return 0
  done
  return 1
}

# Runs a File menu command with the keyboard, types the path into the real
# dialog's file-name field and accepts it.
file_dialog() {
  local key=$1 title=$2 path=$3 dialog
  xdotool key --clearmodifiers alt+f
  sleep 0.3
  xdotool key "$key"
  dialog=$(wait_window "$title") || fail "the dialog $title did not appear"
  sleep 0.5
  import -window root "$OUT/saveas-$key.png"
  xdotool key --clearmodifiers ctrl+a
  xdotool type --delay 30 "$path"
  sleep 0.3
  accept_dialog "$title" || fail "the dialog $title did not close"
  # With no window manager nothing gives the focus back to the main window.
  xdotool windowfocus --sync "$win"
  sleep 0.3
}

start_display
export SCRIVLET_WINDOW_REPORT=$WORK/windows.txt
export HOME=$WORK/home
mkdir -p "$WORK/docs" "$HOME"
TARGET=$WORK/docs/saved.rtf
TEXT="Hello e2e world"
start_main_window 0.5

# Type into the document 文档 1, which has the focus at start.
xdotool mousemove $((X + 120)) $((Y + 160)) click 1
sleep 0.2
xdotool type --delay 30 "$TEXT"
sleep 0.3

# File > Save As (alt+f, a).
file_dialog a "另存为" "$TARGET"
[ -f "$TARGET" ] || fail "Save As wrote no file"
head -c 5 "$TARGET" | grep -q '^{\\rtf' || fail "the saved file is not RTF: $(head -c 60 "$TARGET")"
grep -q "$TEXT" "$TARGET" || fail "the saved file lacks the text: $(cat "$TARGET")"

# File > New (alt+f, n), then File > Open (alt+f, o) into the new window.
xdotool key --clearmodifiers alt+f
sleep 0.3
xdotool key n
sleep 0.5
file_dialog o "打开" "$TARGET"
sleep 0.3

# File > Print (alt+f, p) and OK in the real print dialog. With no printer
# installed it prints to a PDF file, offered as 文档.pdf in the documents
# folder (the home folder when there is none).
if ! { command -v lpstat >/dev/null && lpstat -a 2>/dev/null | grep -q .; }; then
  xdotool key --clearmodifiers alt+f
  sleep 0.3
  xdotool key p
  wait_window "Print" >/dev/null || fail "the print dialog did not appear"
  sleep 0.5
  accept_dialog "Print" || fail "the print dialog did not close"
  xdotool windowfocus --sync "$win"
  sleep 0.5
  [ -s "$HOME/文档.pdf" ] || fail "nothing was printed to $HOME/文档.pdf"
  cp "$HOME/文档.pdf" "$OUT/saveas-print.pdf"
  if command -v pdftotext >/dev/null; then
    printed=$(pdftotext "$HOME/文档.pdf" - | head -n1)
    [ "$printed" = "$TEXT" ] || fail "the PDF holds '$printed', not the document"
  fi
fi

# File > Exit; the report lists the windows and their text.
exit_by_menu

cat "$WORK/windows.txt"
[ "$(grep -c $'^document\t' "$WORK/windows.txt")" = 2 ] || fail "not exactly two document windows"
# Both windows carry the path: the first from Save As, the second from Open.
[ "$(grep -cxF "document	$TARGET" "$WORK/windows.txt")" = 2 ] || fail "the windows are not captioned with the path"
[ "$(grep -c "^content	$TARGET	[01]	[-0-9]*	$TEXT\$" "$WORK/windows.txt")" = 2 ] \
  || fail "the reopened document does not hold the typed text"
grep -qxF "active	$TARGET" "$WORK/windows.txt" || fail "the opened document is not the active one"
echo "PASS"
