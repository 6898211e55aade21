#!/usr/bin/env bash
# Helpers of scripts/serve-sample.sh and the sample site test.
#
#   sample-site.sh setup <server.env> <tolvex> <share-dir> <work-dir>
#       loads share/tolvex/samples/sample_db.sql into the MariaDB server that server.env
#       (scripts/mariadb-test-server.sh) describes, generates the sample project, connected
#       to that server (<work-dir>/sample.tvp), into <work-dir>/site and writes the site's connection settings, password included, to
#       <work-dir>/site.config.ini: beside the site folder, not in it.
#   sample-site.sh free-port
#       prints a free TCP port on 127.0.0.1.
set -euo pipefail

free_port() {
  local port
  for _ in $(seq 1 50); do
    port=$(( 20000 + (RANDOM * 32768 + RANDOM) % 40000 ))
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return 0; }
  done
  echo "sample-site: no free port found" >&2
  return 1
}

case "${1:-}" in
  free-port) free_port; exit 0 ;;
  setup) [ $# -eq 5 ] || { echo "usage: $0 setup <server.env> <tolvex> <share-dir> <work-dir>" >&2; exit 2; } ;;
  *) echo "usage: $0 setup ... | free-port" >&2; exit 2 ;;
esac
env_file=$2
tolvex=$3
share=$4
work=$5
# shellcheck disable=SC1090
. "$env_file"
client=$(command -v mariadb || command -v mysql) || { echo "sample-site: the mariadb client was not found" >&2; exit 1; }
MYSQL_PWD="$TOLVEX_TEST_DB_PASSWORD" "$client" --no-defaults --socket="$TOLVEX_TEST_DB_SOCKET" \
  -u"$TOLVEX_TEST_DB_USER" <"$share/samples/sample_db.sql"

# The sample project, connected to this server: a copy with its host, port, user and
# password (the generated site must not give the password away).
sed -e "s| DBHost=\"[^\"]*\"| DBHost=\"$TOLVEX_TEST_DB_HOST\"|" -e "s| DBPort=\"[^\"]*\"| DBPort=\"$TOLVEX_TEST_DB_PORT\"|" \
  -e "s| DBUID=\"[^\"]*\"| DBUID=\"$TOLVEX_TEST_DB_USER\"|" -e "s| DBPwd=\"[^\"]*\"| DBPwd=\"$TOLVEX_TEST_DB_PASSWORD\"|" \
  "$share/samples/sample.tvp" >"$work/sample.tvp"
mkdir -p "$work/config" "$work/documents"
TOLVEX_CONFIG_DIR="$work/config" XDG_DOCUMENTS_DIR="$work/documents" \
  "$tolvex" generate "$work/sample.tvp" --destination "$work/site" --overwrite=all --yes --quiet

umask 077
cat >"$work/site.config.ini" <<INI
; Connection settings of the sample site (read by its common.php; not served).
socket = "$TOLVEX_TEST_DB_SOCKET"
user = "$TOLVEX_TEST_DB_USER"
password = "$TOLVEX_TEST_DB_PASSWORD"
database = "tolvex_sample"
INI
echo "$work/site"
