#!/usr/bin/env bash
# Sets everything up and starts the workbench in workspace/, on its embedded
# default: brevant.ini selects "MySQL Embebido" with the base directory /usr and
# the data folder "datos", bootstrapped with mariadb-install-db when missing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/tools/setup.sh"
ws=${BREVANT_WORKSPACE:-$here/workspace}
mkdir -p "$ws"
cd "$ws"
if [ ! -d datos/mysql ]; then
  user_args=(); [ "$(id -u)" = 0 ] && user_args=(--user=root)
  mariadb-install-db --no-defaults --datadir="$ws/datos" --auth-root-authentication-method=normal \
    --skip-test-db "${user_args[@]}" >"$ws/install-datos.log" 2>&1 \
    || { echo "start: mariadb-install-db failed, see $ws/install-datos.log" >&2; exit 1; }
fi
if [ ! -f brevant.ini ]; then
  printf '[setup]\r\ndriverid=1\r\nserver=/usr\r\ndatabase=\r\ndatadir=datos\r\nuser=root\r\nport=3306\r\n' > brevant.ini
fi
exec "${BREVANT_BUILD_DIR:-$here/build}/app/brevant" "$@"
