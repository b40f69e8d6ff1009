#!/usr/bin/env bash
# Sets everything up and starts the workbench in workspace/, on its embedded
# default: no server needs to be installed as a service or running.
#   - workspace/datos: a data folder bootstrapped with mariadb-install-db;
#   - the sakila sample (../shared/testdata/sakila, when present) is loaded into
#     it once, through a private mariadbd that listens only on a socket in a
#     private temporary folder and is stopped again right after (the mariadb client runs the
#     sample's scripts, DELIMITER blocks and all, exactly as they are written);
#   - brevant.ini selects "MySQL Embebido" with the base directory /usr and the
#     data folder "datos" (made absolute against workspace/ at connect).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/tools/setup.sh"
ws=${BREVANT_WORKSPACE:-$here/workspace}
sakila=${BREVANT_SAKILA:-$here/../shared/testdata/sakila}
mkdir -p "$ws"
ws=$(cd "$ws" && pwd)
cd "$ws"

find_bin() { command -v "$1" 2>/dev/null || { [ -x "/usr/sbin/$1" ] && echo "/usr/sbin/$1"; } || true; }
user_args=(); [ "$(id -u)" = 0 ] && user_args=(--user=root)

# mariadb-install-db cannot take a folder whose path has blanks, and a socket path
# has at most 107 bytes: both live in a private temporary folder.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

if [ ! -d datos/mysql ]; then
  rm -rf datos
  mariadb-install-db --no-defaults --datadir="$tmp/datos" --auth-root-authentication-method=normal \
    --skip-test-db "${user_args[@]}" >"$ws/install-datos.log" 2>&1 \
    || { echo "start: mariadb-install-db failed, see $ws/install-datos.log" >&2; exit 1; }
  mv "$tmp/datos" "$ws/datos"
fi

load_sakila() {
  local mariadbd sock pid ok=
  mariadbd=$(find_bin mariadbd)
  sock="$tmp/setup.sock"
  rm -f "$sock"
  "$mariadbd" --no-defaults --datadir="$ws/datos" --socket="$sock" --skip-networking \
    --pid-file="$ws/.setup.pid" --log-error="$ws/load-sakila.log" "${user_args[@]}" &
  pid=$!
  for _ in $(seq 1 300); do
    [ -S "$sock" ] && mariadb --no-defaults --socket="$sock" -uroot -e 'SELECT 1' >/dev/null 2>&1 && { ok=1; break; }
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -n "$ok" ]; then
    if mariadb --no-defaults --socket="$sock" -uroot <"$sakila/sakila-schema.sql" >>"$ws/load-sakila.log" 2>&1 &&
       mariadb --no-defaults --socket="$sock" -uroot <"$sakila/sakila-data.sql" >>"$ws/load-sakila.log" 2>&1; then
      : >"$ws/datos/.sakila-loaded"
    else
      ok=
    fi
  fi
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  rm -f "$ws/.setup.pid"
  [ -n "$ok" ] || { echo "start: loading sakila failed, see $ws/load-sakila.log" >&2; return 1; }
}

if [ -f "$sakila/sakila-schema.sql" ] && [ ! -f datos/.sakila-loaded ]; then
  echo "start: loading the sakila sample into $ws/datos (once)"
  load_sakila
fi

if [ ! -f brevant.ini ]; then
  database=; [ -f datos/.sakila-loaded ] && database=sakila
  printf '[setup]\r\ndriverid=1\r\nserver=/usr\r\ndatabase=%s\r\ndatadir=datos\r\nuser=root\r\nport=3306\r\n' \
    "$database" > brevant.ini
fi
rm -rf "$tmp"
trap - EXIT
exec "${BREVANT_BUILD_DIR:-$here/build}/app/brevant" "$@"
