#!/usr/bin/env bash
# Starts or stops the private MariaDB server of the tests.
#   test-server.sh start DIR   bootstrap DIR/data, start mariadbd on a free port of
#                              127.0.0.1, create the test accounts, write DIR/env
#   test-server.sh stop DIR    stop it and remove DIR/env
# Without mariadbd the start step writes no env file and succeeds, so that tests
# skip; with CI set it fails instead.
set -u
cmd=${1:?start or stop}
dir=${2:?server directory}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
data=$dir/data
sock=$dir/mysqld.sock
pidfile=$dir/mysqld.pid
envfile=$dir/env
root_password=brevant-root

find_bin() { command -v "$1" 2>/dev/null || { [ -x "/usr/sbin/$1" ] && echo "/usr/sbin/$1"; }; }

stop_server() {
  if [ -f "$pidfile" ]; then
    pid=$(cat "$pidfile")
    kill "$pid" 2>/dev/null
    for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
    rm -f "$pidfile"
  fi
  rm -f "$envfile"
}

port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

if [ "$cmd" = stop ]; then stop_server; exit 0; fi
[ "$cmd" = start ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

mariadbd=$(find_bin mariadbd)
installdb=$(find_bin mariadb-install-db)
client=$(find_bin mariadb)
if [ -z "$mariadbd" ] || [ -z "$installdb" ] || [ -z "$client" ]; then
  echo "test-server: mariadbd, mariadb-install-db or mariadb not found (apt-get install mariadb-server mariadb-client)" >&2
  [ -n "${CI:-}" ] && exit 1
  exit 0
fi

stop_server
rm -rf "$data"
user_args=()
[ "$(id -u)" = 0 ] && user_args=(--user=root)
if ! "$installdb" --no-defaults --datadir="$data" --auth-root-authentication-method=normal \
     --skip-test-db "${user_args[@]}" >"$dir/install.log" 2>&1; then
  echo "test-server: mariadb-install-db failed, see $dir/install.log" >&2
  exit 1
fi

started=
for attempt in 1 2 3 4 5 6 7 8; do
  port=$(( 20000 + (RANDOM * 32768 + RANDOM) % 30000 ))
  port_in_use "$port" && continue
  rm -f "$sock" "$dir/error.log"
  "$mariadbd" --no-defaults --datadir="$data" --port="$port" --bind-address=127.0.0.1 \
    --socket="$sock" --pid-file="$pidfile" --log-error="$dir/error.log" "${user_args[@]}" \
    --skip-name-resolve --skip-secure-auth --local-infile=1 --max-allowed-packet=256M --skip-log-bin \
    --innodb-buffer-pool-size=256M --innodb-log-file-size=256M --innodb-flush-log-at-trx-commit=2 \
    --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci \
    >/dev/null 2>&1 &
  for _ in $(seq 1 300); do
    [ -S "$sock" ] && "$client" --no-defaults -S "$sock" -uroot -e 'select 1' >/dev/null 2>&1 && { started=1; break; }
    kill -0 $! 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$started" ] && break
  kill $! 2>/dev/null
  wait $! 2>/dev/null
done
if [ -z "$started" ]; then
  echo "test-server: mariadbd did not start; last lines of $dir/error.log:" >&2
  tail -n 20 "$dir/error.log" >&2
  exit 1
fi

# Accounts: root with a password (over TCP and the socket), and a user with an
# empty password. Tests of later layers add their own accounts here.
"$client" --no-defaults -S "$sock" -uroot <<SQL || { echo "test-server: account setup failed" >&2; stop_server; exit 1; }
ALTER USER 'root'@'localhost' IDENTIFIED BY '$root_password';
CREATE USER 'root'@'%' IDENTIFIED BY '$root_password';
GRANT ALL PRIVILEGES ON *.* TO 'root'@'%' WITH GRANT OPTION;
-- mariadb-install-db also makes root@127.0.0.1, root@::1 and root@<host name>
-- without a password; they are more specific than root@% and would refuse the
-- password over TCP.
DROP USER IF EXISTS 'root'@'127.0.0.1', 'root'@'::1', 'root'@'$(hostname)';
CREATE USER 'brevant_nopw'@'%' IDENTIFIED BY '';
GRANT ALL PRIVILEGES ON *.* TO 'brevant_nopw'@'%';
-- pre-4.1 password: the server switches from the greeting's plugin to this one
CREATE USER 'brevant_old'@'%' IDENTIFIED VIA mysql_old_password USING PASSWORD('brevant-old');
GRANT ALL PRIVILEGES ON *.* TO 'brevant_old'@'%';
FLUSH PRIVILEGES;
SQL

cat >"$envfile" <<ENV
BREVANT_TEST_HOST=127.0.0.1
BREVANT_TEST_PORT=$port
BREVANT_TEST_USER=root
BREVANT_TEST_PASSWORD=$root_password
BREVANT_TEST_NOPW_USER=brevant_nopw
BREVANT_TEST_SOCKET=$sock
ENV
echo "test-server: mariadbd listening on 127.0.0.1:$port (pid $(cat "$pidfile"))"
