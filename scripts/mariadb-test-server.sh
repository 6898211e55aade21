#!/usr/bin/env bash
# A private MariaDB server for the driver tests.
#
#   mariadb-test-server.sh start <dir>   fresh data folder in <dir>, server on 127.0.0.1 at a
#                                        free port and on <dir>/mysqld.sock, test schema loaded;
#                                        writes <dir>/server.env for the tests
#   mariadb-test-server.sh stop <dir>    stops that server and removes its data folder
#
# server.env holds TOLVEX_TEST_DB_HOST, _PORT, _USER, _PASSWORD, _NAME and _SOCKET. The test
# user may use the databases tolvex_test and tolvex_other (the fixture) and may create
# tolvex_bench (the benchmarks' generated schema), tolvex_sample (the sample site) and
# tolvex_forms (the forms test of the sample site).
# The server runs as the current user (root included) and reads no option files.
set -euo pipefail

usage() { echo "usage: $0 start|stop <dir>" >&2; exit 2; }
[ $# -eq 2 ] || usage
action=$1
dir=$2
root="$(cd "$(dirname "$0")/.." && pwd)"
fixture="$root/tests/platform/fixtures/schema/mariadb_fixture.sql"

find_bin() {
  local name
  for name in "$@"; do
    if command -v "$name" >/dev/null 2>&1; then command -v "$name"; return 0; fi
    for d in /usr/sbin /usr/bin /usr/local/sbin /usr/local/bin /usr/libexec; do
      if [ -x "$d/$name" ]; then echo "$d/$name"; return 0; fi
    done
  done
  return 1
}

stop_server() {
  local pidfile="$dir/mysqld.pid" pid i
  [ -f "$pidfile" ] || return 0
  pid=$(cat "$pidfile" 2>/dev/null || true)
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill -TERM "$pid" 2>/dev/null || true
    for i in $(seq 1 100); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
      echo "server $pid did not stop in 10 s; killing it" >&2
      kill -KILL "$pid" 2>/dev/null || true
    fi
  fi
  rm -f "$pidfile"
}

fail() {
  echo "mariadb-test-server: $*" >&2
  if [ -f "$dir/error.log" ]; then
    echo "--- last lines of $dir/error.log:" >&2
    tail -n 20 "$dir/error.log" >&2
  fi
  stop_server
  exit 1
}

port_in_use() {
  # Something answers on the port (bash's /dev/tcp needs no extra tools).
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

case "$action" in
  stop)
    stop_server
    if [ -f "$dir/socket.dir" ]; then rm -rf "$(cat "$dir/socket.dir")" "$dir/socket.dir"; fi
    rm -rf "$dir/data" "$dir/tmp" "$dir/server.env" "$dir/mysqld.sock" "$dir/mysqld.sock.lock"
    exit 0
    ;;
  start) ;;
  *) usage ;;
esac

mysqld=$(find_bin mariadbd mysqld) || fail "mariadbd not found (install mariadb-server: scripts/install-deps.sh)"
install_db=$(find_bin mariadb-install-db mysql_install_db) || fail "mariadb-install-db not found"
client=$(find_bin mariadb mysql) || fail "the mariadb client was not found (install mariadb-client)"

mkdir -p "$dir"
dir="$(cd "$dir" && pwd)"
stop_server
rm -rf "$dir/data" "$dir/tmp" "$dir/server.env"
mkdir -p "$dir/data" "$dir/tmp"

user=$(id -un)
"$install_db" --no-defaults --datadir="$dir/data" --user="$user" --auth-root-authentication-method=normal \
  --skip-test-db --skip-name-resolve >"$dir/install.log" 2>&1 || { cat "$dir/install.log" >&2; fail "mariadb-install-db failed"; }

sock="$dir/mysqld.sock"
if [ ${#sock} -gt 100 ]; then
  # A socket path may hold at most 107 bytes: use a short private folder instead.
  sockdir=$(mktemp -d /tmp/tolvex-mdb.XXXXXX)
  echo "$sockdir" >"$dir/socket.dir"
  sock="$sockdir/mysqld.sock"
fi
started=""
for attempt in 1 2 3 4 5; do
  port=$(( 20000 + (RANDOM * 32768 + RANDOM) % 40000 ))
  port_in_use "$port" && continue
  rm -f "$dir/error.log"
  "$mysqld" --no-defaults --datadir="$dir/data" --tmpdir="$dir/tmp" --socket="$sock" \
    --pid-file="$dir/mysqld.pid" --log-error="$dir/error.log" --user="$user" \
    --skip-networking=0 --bind-address=127.0.0.1 --port="$port" --skip-name-resolve \
    --skip-log-bin --innodb-buffer-pool-size=32M --innodb-log-file-size=8M --innodb-fast-shutdown=3 \
    --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci \
    --max-connections=50 </dev/null >/dev/null 2>&1 &
  server_pid=$!
  for i in $(seq 1 150); do  # up to 15 s
    if ! kill -0 "$server_pid" 2>/dev/null; then break; fi
    if "$client" --no-defaults --socket="$sock" -uroot --connect-timeout=2 -e "SELECT 1" >/dev/null 2>&1; then
      started=yes
      break
    fi
    sleep 0.1
  done
  [ -n "$started" ] && break
  if kill -0 "$server_pid" 2>/dev/null; then
    kill -KILL "$server_pid" 2>/dev/null || true
    fail "the server did not answer within 15 s"
  fi
  # The server ended by itself: most likely the port was taken meanwhile; try another.
  grep -qi "address already in use\|bind on tcp/ip port" "$dir/error.log" 2>/dev/null || fail "the server did not start"
done
[ -n "$started" ] || fail "no free port found"

password="tolvex-$RANDOM$RANDOM"
root_password="root-$RANDOM$RANDOM$RANDOM"
"$client" --no-defaults --socket="$sock" -uroot <"$fixture" || fail "loading $fixture failed"
"$client" --no-defaults --socket="$sock" -uroot <<SQL || fail "creating the test user failed"
CREATE USER 'tolvex'@'localhost' IDENTIFIED BY '$password';
CREATE USER 'tolvex'@'127.0.0.1' IDENTIFIED BY '$password';
GRANT ALL ON tolvex_test.* TO 'tolvex'@'localhost', 'tolvex'@'127.0.0.1';
GRANT ALL ON tolvex_other.* TO 'tolvex'@'localhost', 'tolvex'@'127.0.0.1';
GRANT ALL ON tolvex_bench.* TO 'tolvex'@'localhost', 'tolvex'@'127.0.0.1';
GRANT ALL ON tolvex_sample.* TO 'tolvex'@'localhost', 'tolvex'@'127.0.0.1';
GRANT ALL ON tolvex_cli.* TO 'tolvex'@'localhost', 'tolvex'@'127.0.0.1';
GRANT ALL ON tolvex_forms.* TO 'tolvex'@'localhost', 'tolvex'@'127.0.0.1';
ALTER USER 'root'@'localhost' IDENTIFIED BY '$root_password';
DROP USER IF EXISTS 'root'@'127.0.0.1', 'root'@'::1';
SQL

cat >"$dir/server.env" <<ENV
TOLVEX_TEST_DB_HOST=127.0.0.1
TOLVEX_TEST_DB_PORT=$port
TOLVEX_TEST_DB_USER=tolvex
TOLVEX_TEST_DB_PASSWORD=$password
TOLVEX_TEST_DB_NAME=tolvex_test
TOLVEX_TEST_DB_SOCKET=$sock
ENV
echo "MariaDB test server running on 127.0.0.1:$port and $sock (pid $server_pid)"
