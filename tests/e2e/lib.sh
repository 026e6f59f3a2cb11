# Shared helpers for the end-to-end scripts: a private display server and
# configuration, the program started in it, and waiting for its windows.
# Arguments of every script: the program, the folder for screenshots.
# A script that needs other tools than Xvfb, xdotool and ImageMagick names
# them in E2E_TOOLS before sourcing this file.
set -euo pipefail

for tool in ${E2E_TOOLS:-Xvfb xdotool import}; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

PROGRAM=$1
OUT=$2
mkdir -p "$OUT"
WORK=$(mktemp -d)
export XDG_CONFIG_HOME=$WORK/config XDG_CONFIG_DIRS=$WORK/xdg XDG_STATE_HOME=$WORK/state
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CONFIG_DIRS"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

SERVER_PID=
APP_PID=
cleanup() {
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
  [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

# The end of every log in the work folder (the program's, the server's).
fail() {
  echo "FAIL: $*"
  local log
  for log in "$WORK"/*.log; do
    [ -f "$log" ] && { echo "--- ${log##*/}"; tail -n 40 "$log"; }
  done
  exit 1
}

# Runs the command every 0.1 s until it succeeds, at most N times; status 1
# when it never did.
poll() {
  local n=$1
  shift
  for _ in $(seq "$n"); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# Prints the id of a visible window titled exactly TITLE; status 1 if none.
find_window() {
  local id
  id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 || true)
  [ -n "$id" ] && echo "$id"
}

# Prints the id of the window titled TITLE once it shows, waiting up to N
# tenths of a second (default 100); status 1 if it did not show.
wait_window() { poll "${2:-100}" find_window "$1"; }

start_display() {
  # Xvfb picks a free display itself and reports its number on a pipe.
  # -noreset: by default the server resets whenever its last client leaves,
  # and a program connecting during that reset is refused.
  Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
  SERVER_PID=$!
  poll 100 display_answers || fail "could not start Xvfb"
}
display_answers() {
  [ -s "$WORK/display" ] || return 1
  export DISPLAY=":$(head -n1 "$WORK/display")"
  xdotool getdisplaygeometry >/dev/null 2>&1
}

start_program() {
  "$PROGRAM" >"$WORK/app.log" 2>&1 &
  APP_PID=$!
}

# Starts the program, focuses its main window and lets it settle for the
# given seconds; sets win to the window's id and X, Y, WIDTH and HEIGHT to
# its geometry.
start_main_window() {
  start_program
  win=$(wait_main_window) || fail "no main window"
  xdotool windowfocus --sync "$win"
  sleep "$1"
  eval "$(xdotool getwindowgeometry --shell "$win")"
}

# Prints the id of the main window once it is mapped.
wait_main_window() {
  wait_window 'Pelm简易文本编辑器' && return 0
  echo "FAIL: the main window did not appear" >&2
  cat "$WORK/app.log" >&2
  return 1
}

# Waits for the program to end and sets EXIT_CODE ("timeout" if it did not).
wait_exit() {
  EXIT_CODE=timeout
  poll 100 program_ended || return 0
  EXIT_CODE=0
  wait "$APP_PID" || EXIT_CODE=$?
  APP_PID=
}
program_ended() { ! kill -0 "$APP_PID" 2>/dev/null; }

# File > Exit with the keyboard; fails unless the program then ends normally.
exit_by_menu() {
  xdotool key --clearmodifiers alt+f
  sleep 0.3
  xdotool key x
  wait_exit
  [ "$EXIT_CODE" = 0 ] || fail "the program did not end normally: $EXIT_CODE"
}

# While the program runs, answers each question box ("Scrivlet") with the
# key, as a person leaving would (alt+n: 不保存), then waits for the end.
answer_until_exit() {
  local q
  for _ in $(seq 100); do
    kill -0 "$APP_PID" 2>/dev/null || break
    if q=$(find_window Scrivlet); then
      xdotool windowfocus --sync "$q" 2>/dev/null || true
      xdotool key --clearmodifiers "$1"
      ANSWERED=$((${ANSWERED:-0} + 1))
      sleep 0.3
    fi
    sleep 0.1
  done
  wait_exit
}

# Finds the toolbar buttons on a screenshot. The toolbar is the band just above
# the document area (whose dark background shows at the right edge); on it,
# every button picture, separator and box is a run of columns that differ from
# the toolbar's background in its row. The two boxes are the only wide runs; after them
# come the pictures of 粗体, 斜体, 下划线, a separator, then 左对齐, 置中, 右对齐.
# Needs X, Y, WIDTH and HEIGHT of the main window (xdotool getwindowgeometry
# --shell). Prints "x_bold x_centre y" in screen coordinates.
locate_buttons() {
  convert "$1" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -depth 8 rgb:"$WORK/shot.rgb"
  python3 - "$WORK/shot.rgb" "$WIDTH" "$HEIGHT" "$X" "$Y" <<'EOF'
import sys
from collections import Counter
path, w, h, ox, oy = sys.argv[1], *map(int, sys.argv[2:])
data = open(path, 'rb').read()
px = lambda x, y: data[3 * (y * w + x): 3 * (y * w + x) + 3]
# The document area: the first of four rows whose right end is the same dark
# colour. The toolbar's background is a gradient: compare row by row.
dark = lambda y: sum(px(w - 5, y)) < 3 * 200
area_top = next(y for y in range(h - 4) if all(dark(y + k) and px(w - 5, y + k) == px(w - 5, y) for k in range(4)))
top, bottom = area_top - 26, area_top - 5
rowbg = {y: Counter(px(x, y) for x in range(w)).most_common(1)[0][0] for y in range(top, bottom)}
used = [any(px(x, y) != rowbg[y] for y in range(top, bottom)) for x in range(w)]
runs, start = [], None
for x in range(w + 1):
    if x < w and used[x]:
        start = x if start is None else start
    elif start is not None:
        runs.append((start, x - 1))
        start = None
wide = [i for i, (a, b) in enumerate(runs) if b - a > 40]
pictures = [r for r in runs[wide[-1] + 1:] if r[1] - r[0] >= 3]
centre = lambda r: (r[0] + r[1]) // 2
print(ox + centre(pictures[0]), ox + centre(pictures[4]), oy + (top + bottom) // 2)
EOF
}
