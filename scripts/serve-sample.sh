#!/usr/bin/env bash
# Shows the bundled sample site: starts a private MariaDB server with the sample database
# (scripts/mariadb-test-server.sh), generates the sample project against it with the bundled
# template package, and serves the site with PHP's built-in web server (through
# scripts/sample-router.php, which refuses the files that are not pages) on a free loopback
# port. Ctrl-C stops both and removes the temporary folder.
#
#   scripts/serve-sample.sh [build-dir]     (default: build; run scripts/build.sh first)
#
# Log in with the user "demo" and the password "demo".
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
tolvex="$build/bin/tolvex"
share="$build/share/tolvex"
[ -x "$tolvex" ] || { echo "serve-sample: $tolvex not found; build first (scripts/build.sh)" >&2; exit 1; }
command -v php >/dev/null || { echo "serve-sample: php not found (scripts/install-deps.sh installs php-cli and php-mysql)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tolvex-sample.XXXXXX")
php_pid=""
cleanup() {
  trap - EXIT INT TERM
  if [ -n "$php_pid" ]; then kill "$php_pid" 2>/dev/null || true; wait "$php_pid" 2>/dev/null || true; fi
  "$root/scripts/mariadb-test-server.sh" stop "$work/db" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$root/scripts/mariadb-test-server.sh" start "$work/db" >/dev/null
"$root/scripts/sample-site.sh" setup "$work/db/server.env" "$tolvex" "$share" "$work" >/dev/null
port=$("$root/scripts/sample-site.sh" free-port)
php -d log_errors=1 -d display_errors=0 -d error_log="$work/php-errors.log" \
  -S "127.0.0.1:$port" -t "$work/site" "$root/scripts/sample-router.php" >"$work/php-server.log" 2>&1 &
php_pid=$!
for _ in $(seq 1 50); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.1
done
echo "The sample site is at http://127.0.0.1:$port/ (user demo, password demo)."
echo "Generated into $work/site; PHP errors go to $work/php-errors.log. Ctrl-C stops it."
wait "$php_pid"
