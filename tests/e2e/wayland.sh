#!/usr/bin/env bash
# The program as a native Wayland client, under a headless compositor
# (weston): it connects through Qt's Wayland plugin, opens its main window
# and names itself to the compositor by its desktop entry, which is how
# docks and task bars find its icon. Skipped (exit 77) where weston or the
# plugin is missing. Arguments: the program, the output folder, the app id.
E2E_TOOLS=weston
source "$(dirname "$0")/lib.sh"
app_id=$3
plugins=$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null || echo /usr/lib/x86_64-linux-gnu/qt6/plugins)
[ -e "$plugins/platforms/libqwayland-generic.so" ] || { echo "SKIP: qt6-wayland is not installed"; exit 77; }

export XDG_RUNTIME_DIR=$WORK
unset DISPLAY
weston --backend=headless-backend.so --socket=wayland-scrivlet --idle-time=0 >"$WORK/weston.log" 2>&1 &
SERVER_PID=$!
poll 100 test -S "$WORK/wayland-scrivlet" || fail "weston did not start"

# WAYLAND_DEBUG makes the client log every request it sends the compositor.
WAYLAND_DISPLAY=wayland-scrivlet QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=client \
  "$PROGRAM" >"$WORK/app.log" 2>&1 &
APP_PID=$!
titled() {
  grep -aq 'set_title("Pelm简易文本编辑器")' "$WORK/app.log" && return 0
  kill -0 "$APP_PID" 2>/dev/null || fail "the program ended"
  return 1
}
poll 150 titled || fail "no main window on the Wayland display"
grep -aq "set_app_id(\"$app_id\")" "$WORK/app.log" || fail "the window does not name $app_id"
sleep 1
kill -0 "$APP_PID" 2>/dev/null || fail "the program did not keep running"
echo "main window shown as a Wayland toplevel, app id $app_id"
echo PASS
