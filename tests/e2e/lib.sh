# Shared helpers for the end-to-end scripts: a private Xvfb display and
# configuration, the program started in it, and waiting for its windows.
set -euo pipefail

for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

PROGRAM=$1
OUT=$2
mkdir -p "$OUT"
WORK=$(mktemp -d)
export XDG_CONFIG_HOME=$WORK/config XDG_CONFIG_DIRS=$WORK/xdg XDG_STATE_HOME=$WORK/state
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CONFIG_DIRS"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

XVFB_PID=
APP_PID=
cleanup() {
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

start_display() {
  # Xvfb picks a free display itself and reports its number on a pipe.
  # -noreset: by default the server resets whenever its last client leaves,
  # and a program connecting during that reset is refused.
  Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do
    if [ -s "$WORK/display" ]; then
      export DISPLAY=":$(head -n1 "$WORK/display")"
      xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
    fi
    sleep 0.1
  done
  echo "FAIL: could not start Xvfb"; cat "$WORK/xvfb.log"; exit 1
}

start_program() {
  "$PROGRAM" >"$WORK/app.log" 2>&1 &
  APP_PID=$!
}

# Prints the id of the main window once it is mapped.
wait_main_window() {
  local id
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name '^Pelm简易文本编辑器$' 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo "FAIL: the main window did not appear" >&2
  cat "$WORK/app.log" >&2
  return 1
}

# Waits for the program to end and sets EXIT_CODE ("timeout" if it did not).
wait_exit() {
  EXIT_CODE=timeout
  for _ in $(seq 100); do
    if ! kill -0 "$APP_PID" 2>/dev/null; then
      EXIT_CODE=0
      wait "$APP_PID" || EXIT_CODE=$?
      APP_PID=
      return 0
    fi
    sleep 0.1
  done
}

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
    q=$(xdotool search --onlyvisible --name '^Scrivlet$' 2>/dev/null | head -n1 || true)
    if [ -n "$q" ]; then
      xdotool windowfocus --sync "$q" 2>/dev/null || true
      xdotool key --clearmodifiers "$1"
      ANSWERED=$((${ANSWERED:-0} + 1))
      sleep 0.3
    fi
    sleep 0.1
  done
  wait_exit
}

fail() { echo "FAIL: $*"; cat "$WORK/app.log" "$WORK/xvfb.log" 2>/dev/null; exit 1; }

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
