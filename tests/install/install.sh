#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks it the way a Linux
# desktop reads it: the launcher and the metainfo pass their validators, the
# launcher names a program and an icon that were installed, each PNG has the
# size of its folder, the manual pages format without warnings, and both
# programs answer --version from the prefix without a display.
set -euo pipefail
build=$1
id=$2
version=$3
for tool in desktop-file-validate appstreamcli identify groff; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
share=$prefix/share

desktop=$share/applications/$id.desktop
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
# Hints are advice; errors and warnings are not.
if grep -Ev '^\S+: hint:' <<<"$out" | grep -q .; then fail "desktop-file-validate: $out"; fi
grep -qx 'Exec=scrivlet %F' "$desktop" || fail "Exec line"
grep -qx 'MimeType=text/rtf;application/rtf;text/plain;' "$desktop" || fail "MimeType line"
grep -qx 'Name\[zh_CN\]=.*' "$desktop" || fail "no zh_CN name"

metainfo=$share/metainfo/$id.metainfo.xml
out=$(appstreamcli validate --no-net --explain "$metainfo" 2>&1) || fail "appstreamcli: $out"
echo "$out"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "launchable"
grep -q '<summary xml:lang="zh-CN">' "$metainfo" || fail "no Chinese summary"

[ -x "$prefix/bin/scrivlet" ] && [ -x "$prefix/bin/scrivlet-rtf" ] || fail "programs not installed"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 16 22 24 32 48 64 128 256; do
  png=$share/icons/hicolor/${size}x$size/apps/$icon.png
  [ "$(identify -format '%wx%h' "$png")" = "${size}x$size" ] || fail "$png is not ${size}x$size"
done
grep -q '<svg' "$share/icons/hicolor/scalable/apps/$icon.svg" || fail "no scalable icon"

for page in scrivlet scrivlet-rtf; do
  man=$share/man/man1/$page.1
  warnings=$(groff -k -man -Tutf8 -ww -z "$man" 2>&1)
  [ -z "$warnings" ] || fail "$man: $warnings"
done

for program in scrivlet scrivlet-rtf; do
  got=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/$program" --version)
  [ "$got" = "$program $version" ] || fail "$program --version said: $got"
done
echo PASS
