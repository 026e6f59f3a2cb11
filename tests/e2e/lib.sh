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
export XDG_CONFIG_HOME=$WORK/config XDG_CONFIG_DIRS=$WORK/xdg
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

fail() { echo "FAIL: $*"; cat "$WORK/app.log" "$WORK/xvfb.log" 2>/dev/null; exit 1; }
