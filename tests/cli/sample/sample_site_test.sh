#!/usr/bin/env bash
# The sample site, end to end: loads the sample database into the private MariaDB server of
# the CTest fixture "mariadb", generates the sample project with the bundled package, serves
# the site with PHP's built-in server on loopback and crawls it (crawl.php). Also checks
# that every page is valid PHP, that no served file holds the database password, that the
# PHP log holds no warning, notice or error, and that a PHP without mysqli answers 500.
#
#   sample_site_test.sh <source-dir> <tolvex> <share-dir> <work-dir>
# The environment variable TOLVEX_TEST_DB_ENV names the fixture's server.env.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source-path=SCRIPTDIR source=site_test_prologue.sh
. "$here/site_test_prologue.sh"
rm -rf "$work"
mkdir -p "$work"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done
}
trap cleanup EXIT

"$src/scripts/sample-site.sh" setup "$TOLVEX_TEST_DB_ENV" "$tolvex" "$share" "$work" >/dev/null
status=0
# shellcheck disable=SC1090
. "$TOLVEX_TEST_DB_ENV"

# No file of the site holds the password of the project, whatever its name: generating
# again leaves the backups of the replaced files (*.bak) beside them.
TOLVEX_CONFIG_DIR="$work/config" XDG_DOCUMENTS_DIR="$work/documents" \
  "$tolvex" generate "$work/sample.tvp" --destination "$work/site" --overwrite=all --yes --quiet
ls "$work/site"/*.bak >/dev/null 2>&1 || { echo "FAIL: generating again left no backups to check"; status=1; }
if grep -rlF -- "$TOLVEX_TEST_DB_PASSWORD" "$work/site"; then
  echo "FAIL: the files above of the site hold the database password"
  status=1
fi

# Every page of the site is valid PHP.
while IFS= read -r -d '' page; do
  php -n -l "$page" >"$work/php-lint.out" 2>&1 || { cat "$work/php-lint.out"; echo "FAIL: $page is not valid PHP"; status=1; }
done < <(find "$work/site" -name '*.php' -print0)

# Every generated file is plain ASCII, so it says the same in the charset its pages declare.
if LC_ALL=C grep -rlP '[^\x00-\x7F]' "$work/site"; then
  echo "FAIL: the files above of the site hold bytes outside ASCII"
  status=1
fi

serve() {  # serve <port> <error log> [php options...]
  local port=$1 log=$2
  shift 2
  php "$@" -d error_reporting=-1 -d log_errors=1 -d display_errors=0 -d error_log="$log" \
    -S "127.0.0.1:$port" -t "$work/site" "$src/scripts/sample-router.php" >>"$work/php-server.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 1 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && return 0
    sleep 0.1
  done
  echo "FAIL: php -S did not answer on port $port"
  return 1
}

port=$("$src/scripts/sample-site.sh" free-port)
serve "$port" "$work/php-errors.log"
timeout 300 php "$here/crawl.php" "http://127.0.0.1:$port/" || status=1
touch "$work/php-errors.log"
if grep -E "PHP (Warning|Notice|Deprecated|Fatal error|Parse error|Recoverable)|Uncaught" "$work/php-errors.log"; then
  echo "FAIL: the PHP log above holds warnings, notices or errors"
  status=1
fi

# A PHP without the mysqli extension: a plain message with status 500.
port=$("$src/scripts/sample-site.sh" free-port)
serve "$port" "$work/php-nomysqli.log" -n
code=$(php -r '
  $b = @file_get_contents($argv[1], false, stream_context_create(["http" => ["ignore_errors" => true, "timeout" => 30]]));
  preg_match("#HTTP/\S+ (\d+)#", $http_response_header[0] ?? "", $m);
  echo ($m[1] ?? "0"), str_contains((string)$b, "because of an error on the server") ? " plain" : " other";' "http://127.0.0.1:$port/productslist.php")
if [ "$code" != "500 plain" ]; then
  echo "FAIL: without mysqli a page answers \"$code\", not a plain 500"
  status=1
fi
exit $status
