<?php
// Router of PHP's built-in web server for a generated site (scripts/serve-sample.sh and the
// sample site test): refuses what Apache refuses by the site's .htaccess (backups of replaced
// files, the generator's script dumps, settings files, dot files) and leaves the rest to the
// server.
//   php -S 127.0.0.1:8080 -t <site folder> scripts/sample-router.php
$path = rawurldecode((string)parse_url($_SERVER['REQUEST_URI'] ?? '/', PHP_URL_PATH));
if (preg_match('#(^|/)\.|\.(bak|txt|ini|tvp|vbs|xml|log)$|~$#i', $path)) {
    http_response_code(403);
    header('Content-Type: text/plain; charset=utf-8');
    echo "Forbidden\n";
    return true;
}
return false;
