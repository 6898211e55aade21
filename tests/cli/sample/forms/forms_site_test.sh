#!/usr/bin/env bash
# The forms and lists of the sample site on a database of its own: loads forms_db.sql into
# the private MariaDB server of the CTest fixture "mariadb", reads it into a new project
# with `tolvex import` as a user does, generates the site with the bundled package, serves
# it with PHP's built-in server on loopback and drives it with forms_test.php, which checks
# the rows in the database after each step. Every page must be valid PHP and the PHP log
# must hold no warning, notice or error.
#
#   forms_site_test.sh <source-dir> <tolvex> <share-dir> <work-dir>
# The environment variable TOLVEX_TEST_DB_ENV names the fixture's server.env.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source-path=SCRIPTDIR source=../site_test_prologue.sh
. "$here/../site_test_prologue.sh"
# shellcheck disable=SC1090
. "$TOLVEX_TEST_DB_ENV"
export TOLVEX_TEST_DB_SOCKET TOLVEX_TEST_DB_USER TOLVEX_TEST_DB_PASSWORD
rm -rf "$work"
mkdir -p "$work/config" "$work/documents"
export TOLVEX_CONFIG_DIR="$work/config" XDG_DOCUMENTS_DIR="$work/documents"
pid=""
cleanup() { if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi; }
trap cleanup EXIT

client=$(command -v mariadb || command -v mysql)
MYSQL_PWD="$TOLVEX_TEST_DB_PASSWORD" "$client" --no-defaults --socket="$TOLVEX_TEST_DB_SOCKET" \
  -u"$TOLVEX_TEST_DB_USER" <"$here/forms_db.sql"

project="$work/forms.tvp"
run() { "$@" >>"$work/tolvex.log" 2>&1 || { cat "$work/tolvex.log"; echo "FAIL: $*"; exit 1; }; }
run "$tolvex" new "$project"
TOLVEX_DB_PASSWORD="$TOLVEX_TEST_DB_PASSWORD" run "$tolvex" import "$project" --database tolvex_forms --type MariaDB \
  --host "$TOLVEX_TEST_DB_HOST" --port "$TOLVEX_TEST_DB_PORT" --user "$TOLVEX_TEST_DB_USER" --quiet
run "$tolvex" set "$project" --table '*' TblGen=True
run "$tolvex" set "$project" --field rental.rental_date FldSearch=True
# A field whose own date format differs from the project's: the pages still use the project's.
run "$tolvex" set "$project" --field rental_view.rental_date FldDtFormat=7
run "$tolvex" generate "$project" --template "$share/templates/sample.zip" --destination "$work/site" --overwrite=all --yes --quiet

status=0
while IFS= read -r -d '' page; do
  php -n -l "$page" >"$work/php-lint.out" 2>&1 || { cat "$work/php-lint.out"; echo "FAIL: $page is not valid PHP"; status=1; }
done < <(find "$work/site" -name '*.php' -print0)

umask 077
cat >"$work/site.config.ini" <<INI
socket = "$TOLVEX_TEST_DB_SOCKET"
user = "$TOLVEX_TEST_DB_USER"
password = "$TOLVEX_TEST_DB_PASSWORD"
database = "tolvex_forms"
INI
port=$("$src/scripts/sample-site.sh" free-port)
php -d error_reporting=-1 -d log_errors=1 -d display_errors=0 -d error_log="$work/php-errors.log" \
  -S "127.0.0.1:$port" -t "$work/site" >>"$work/php-server.log" 2>&1 &
pid=$!
for _ in $(seq 1 100); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.1
done
timeout 300 php "$here/forms_test.php" "http://127.0.0.1:$port/" || status=1
touch "$work/php-errors.log"
if grep -E "PHP (Warning|Notice|Deprecated|Fatal error|Parse error|Recoverable)|Uncaught" "$work/php-errors.log"; then
  echo "FAIL: the PHP log above holds warnings, notices or errors"
  status=1
fi
exit $status
