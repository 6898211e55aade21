#!/usr/bin/env bash
# Screenshots of the sample site in headless Chromium (not part of the tests): the index, a
# list, a report and a chart page at desktop width and the list at phone width.
#
#   scripts/sample-screenshots.sh [out-dir] [build-dir]    (default: out/screenshots, build)
#
# Starts a private MariaDB server and PHP's built-in server as scripts/serve-sample.sh does,
# logs in as "demo" and hands the session to Chromium in the URL (this server alone accepts
# session ids there), then stops both.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/out/screenshots}"
build="$(cd "${2:-$root/build}" && pwd)"
chromium=$(command -v chromium || command -v chromium-browser || command -v google-chrome) ||
  { echo "sample-screenshots: chromium not found (apt-get install chromium)" >&2; exit 1; }
mkdir -p "$out"
out="$(cd "$out" && pwd)"

work=$(mktemp -d "${TMPDIR:-/tmp}/tolvex-shots.XXXXXX")
php_pid=""
cleanup() {
  if [ -n "$php_pid" ]; then kill "$php_pid" 2>/dev/null || true; wait "$php_pid" 2>/dev/null || true; fi
  "$root/scripts/mariadb-test-server.sh" stop "$work/db" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

"$root/scripts/mariadb-test-server.sh" start "$work/db" >/dev/null
"$root/scripts/sample-site.sh" setup "$work/db/server.env" "$build/bin/tolvex" "$build/share/tolvex" "$work" >/dev/null
port=$("$root/scripts/sample-site.sh" free-port)
php -d session.use_only_cookies=0 -d session.use_trans_sid=0 -d log_errors=1 -d error_log="$work/php-errors.log" \
  -S "127.0.0.1:$port" -t "$work/site" >"$work/php-server.log" 2>&1 &
php_pid=$!
for _ in $(seq 1 100); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done
base="http://127.0.0.1:$port"

# Log in and keep the session id.
sid=$(php -r '
  $base = $argv[1];
  $get = function ($url, $post = null, $sid = null) {
    $h = $sid ? "Cookie: PHPSESSID=$sid\r\n" : "";
    $o = ["ignore_errors" => true, "follow_location" => 0, "header" => $h];
    if ($post !== null) { $o["method"] = "POST"; $o["content"] = http_build_query($post); $o["header"] .= "Content-Type: application/x-www-form-urlencoded\r\n"; }
    $b = file_get_contents($url, false, stream_context_create(["http" => $o]));
    return [$b, $http_response_header];
  };
  [$b, $h] = $get("$base/login.php");
  preg_match("/PHPSESSID=([^;]+)/", implode("\n", $h), $m);
  preg_match("/name=\"tv_csrf\" value=\"([0-9a-f]+)\"/", $b, $t);
  [$b, $h] = $get("$base/login.php", ["tv_csrf" => $t[1], "username" => "demo", "password" => "demo", "return" => "index.php"], $m[1]);
  preg_match_all("/PHPSESSID=([^;]+)/", implode("\n", $h), $n);
  echo end($n[1]) ?: $m[1];' "$base")

shot() {  # shot <file> <page> <width> <height>
  local url="$base/$2"
  if [[ $url == *\?* ]]; then url="$url&PHPSESSID=$sid"; else url="$url?PHPSESSID=$sid"; fi
  "$chromium" --headless --no-sandbox --disable-gpu --hide-scrollbars --no-first-run \
    --window-size="$3,$4" --screenshot="$out/$1" "$url" >/dev/null 2>&1
  echo "$out/$1"
}
shot index.png index.php 1280 800
shot list.png productslist.php 1280 900
shot report.png orders_by_statusreport.php 1280 1000
shot chart.png product_saleschart.php 1280 800
shot list-phone.png productslist.php 390 1100
