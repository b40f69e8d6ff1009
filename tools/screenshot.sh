#!/usr/bin/env bash
# Takes a picture of the main window under a virtual X server and writes it to
# docs/screenshot.png (or the file named as the first argument). The workbench runs
# in a temporary workspace with its own brevant.ini, so no real settings are touched.
# Needs: Xvfb, x11-utils (xdpyinfo, xwininfo), ImageMagick (import); a built app/brevant
# in $BREVANT_BUILD_DIR (default: build/).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BREVANT_BUILD_DIR:-$here/build}
out=$(realpath -m "${1:-$here/docs/screenshot.png}")
exe=$build/app/brevant
[ -x "$exe" ] || { echo "screenshot: $exe is not built" >&2; exit 1; }
for tool in Xvfb xdpyinfo xwininfo import; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing" >&2; exit 1; }
done

ws=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$ws"
}
trap cleanup EXIT

# A display number nobody uses.
n=90
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
display=":$n"
Xvfb "$display" -screen 0 1100x640x24 -nolisten tcp >"$ws/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo -display "$display" >/dev/null 2>&1 || { echo "screenshot: Xvfb did not start" >&2; cat "$ws/xvfb.log" >&2; exit 1; }

printf '[setup]\ndriverid=0\nserver=localhost\ndatabase=sakila\ndatadir=datos\nuser=root\nport=3306\n' >"$ws/brevant.ini"
(cd "$ws" && exec env DISPLAY="$display" QT_QPA_PLATFORM=xcb "$exe" >"$ws/brevant.log" 2>&1) &
app_pid=$!

title="Brevant 1.1.7 by Fennick"
id=
for _ in $(seq 150); do
  id=$(xwininfo -display "$display" -name "$title" 2>/dev/null | awk '/Window id:/ {print $4}') || true
  [ -n "$id" ] && break
  kill -0 "$app_pid" 2>/dev/null || { echo "screenshot: the workbench ended" >&2; cat "$ws/brevant.log" >&2; exit 1; }
  sleep 0.1
done
[ -n "$id" ] || { echo "screenshot: the main window did not appear" >&2; exit 1; }
sleep 1  # let the first paint finish
mkdir -p "$(dirname "$out")"
import -display "$display" -window "$id" "$out"
echo "screenshot: wrote $out"
