#!/usr/bin/env bash
# The program as a native Wayland client, under a headless compositor
# (weston): it connects through Qt's Wayland plugin, opens its main window
# and names itself to the compositor by its desktop entry, which is how
# docks and task bars find its icon. Skipped (exit 77) where weston or the
# plugin is missing.
set -euo pipefail
program=$1
app_id=$2
command -v weston >/dev/null || { echo "SKIP: weston is not installed"; exit 77; }
plugins=$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null || echo /usr/lib/x86_64-linux-gnu/qt6/plugins)
[ -e "$plugins/platforms/libqwayland-generic.so" ] || { echo "SKIP: qt6-wayland is not installed"; exit 77; }

work=$(mktemp -d)
chmod 700 "$work"
weston_pid=
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; tail -n 20 "$work/weston.log" "$work/app.log" 2>/dev/null; exit 1; }

export XDG_RUNTIME_DIR=$work XDG_CONFIG_HOME=$work/config XDG_CONFIG_DIRS=$work/xdg
unset DISPLAY
weston --backend=headless-backend.so --socket=wayland-scrivlet --idle-time=0 >"$work/weston.log" 2>&1 &
weston_pid=$!
for _ in $(seq 100); do [ -S "$work/wayland-scrivlet" ] && break; sleep 0.1; done
[ -S "$work/wayland-scrivlet" ] || fail "weston did not start"

# WAYLAND_DEBUG makes the client log every request it sends the compositor.
WAYLAND_DISPLAY=wayland-scrivlet QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=client \
  "$program" >"$work/app.log" 2>&1 &
app_pid=$!
for _ in $(seq 150); do
  grep -aq 'set_title("Pelm简易文本编辑器")' "$work/app.log" && break
  kill -0 "$app_pid" 2>/dev/null || fail "the program ended"
  sleep 0.1
done
grep -aq 'set_title("Pelm简易文本编辑器")' "$work/app.log" || fail "no main window on the Wayland display"
grep -aq "set_app_id(\"$app_id\")" "$work/app.log" || fail "the window does not name $app_id"
sleep 1
kill -0 "$app_pid" 2>/dev/null || fail "the program did not keep running"
echo "main window shown as a Wayland toplevel, app id $app_id"
echo PASS
