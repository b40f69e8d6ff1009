#!/usr/bin/env bash
# Takes a picture of the main window under a virtual X server and writes it to
# docs/screenshot.png (or the file named as the first argument). The window is
# connected to a private MariaDB server (tests/support/test-server.sh) holding the
# sakila database from shared/testdata, and shows the rows of a query in its grid.
# Needs: Xvfb, x11-utils (xdpyinfo), ImageMagick (import), mariadb-server; a built
# tests/app/app_screenshot in $BREVANT_BUILD_DIR (default: build/).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BREVANT_BUILD_DIR:-$here/build}
out=$(realpath -m "${1:-$here/docs/screenshot.png}")
exe=$build/tests/app/app_screenshot
testdata=${BREVANT_TESTDATA:-$(realpath -m "$here/../shared/testdata")}
[ -x "$exe" ] || { echo "screenshot: $exe is not built" >&2; exit 1; }
for tool in Xvfb xdpyinfo import mariadb; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing" >&2; exit 1; }
done
[ -f "$testdata/sakila/sakila-data.sql" ] || { echo "screenshot: no sakila in $testdata" >&2; exit 1; }

ws=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  "$here/tests/support/test-server.sh" stop "$ws/server" >/dev/null 2>&1 || true
  rm -rf "$ws"
}
trap cleanup EXIT

"$here/tests/support/test-server.sh" start "$ws/server" >&2
[ -f "$ws/server/env" ] || { echo "screenshot: the server did not start" >&2; exit 1; }
set -a; . "$ws/server/env"; set +a
client=(mariadb --no-defaults -h "$BREVANT_TEST_HOST" -P "$BREVANT_TEST_PORT" -u "$BREVANT_TEST_USER" "-p$BREVANT_TEST_PASSWORD")
"${client[@]}" <"$testdata/sakila/sakila-schema.sql"
"${client[@]}" <"$testdata/sakila/sakila-data.sql"
# A display number nobody uses.
n=90
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
display=":$n"
Xvfb "$display" -screen 0 1100x640x24 -nolisten tcp >"$ws/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo -display "$display" >/dev/null 2>&1 || { echo "screenshot: Xvfb did not start" >&2; cat "$ws/xvfb.log" >&2; exit 1; }

(cd "$ws" && exec env DISPLAY="$display" QT_QPA_PLATFORM=xcb "$exe" sakila \
   "SELECT film_id, title, description, release_year, rental_rate, length, rating FROM film" \
   "UPDATE film SET rental_rate = rental_rate WHERE film_id <= 3" >"$ws/brevant.log" 2>&1) &
app_pid=$!

id=
for _ in $(seq 300); do
  id=$(awk '/^window / {print $2}' "$ws/brevant.log" 2>/dev/null) || true
  [ -n "$id" ] && break
  kill -0 "$app_pid" 2>/dev/null || { echo "screenshot: the workbench ended" >&2; cat "$ws/brevant.log" >&2; exit 1; }
  sleep 0.1
done
[ -n "$id" ] || { echo "screenshot: the main window did not appear" >&2; cat "$ws/brevant.log" >&2; exit 1; }
grep '^error:' "$ws/brevant.log" >&2 || true
sleep 1  # let the first paint finish
mkdir -p "$(dirname "$out")"
import -display "$display" -window "$id" "$out"
echo "screenshot: wrote $out"
