<?php
<!--##=GeneratorBanner()##-->
// Settings and functions shared by every page of the site.
declare(strict_types=1);

// Connection settings. The password is in no file of the site: it comes from the environment
// (TOLVEX_DB_PASSWORD) or from the configuration file outside the site folder (TV_CONFIG_FILE,
// or the file named by TOLVEX_SITE_CONFIG), which may also hold host, port, socket, user and
// database. The environment variables TOLVEX_DB_HOST, TOLVEX_DB_PORT, TOLVEX_DB_SOCKET,
// TOLVEX_DB_USER and TOLVEX_DB_NAME override the rest.
const TV_DB_HOST = <!--##=tvPhpStr(DB.DBHost)##-->;
const TV_DB_PORT = <!--##=zvPhpInt(DB.DBPort)##-->;
const TV_DB_USER = <!--##=tvPhpStr(DB.DBUID)##-->;
const TV_DB_NAME = <!--##=tvPhpStr(DB.DBName)##-->;
define('TV_CONFIG_FILE', dirname(__DIR__) . '/' . basename(__DIR__) . '.config.ini');
const TV_SITE_TITLE = <!--##=tvPhpStr(SiteTitle())##-->;
const TV_DEFAULT_PAGE = <!--##=zvPhpStr(tvDefaultPageName())##-->;
const TV_DATE_SEPARATOR = <!--##=tvPhpStr(tvDateSeparator())##-->;
const TV_MEMO_BREAKS = <!--##=zvPhpBool(PROJ.MemoCRLFReplace)##-->;
// The charset the pages declare; the connection to the database uses the same.
const TV_CHARSET = <!--##=zvPhpStr(tvCharset())##-->;
const TV_SERVER_ERROR = <!--##=tvPhpStr(LANG.Phrase("ServerError"))##-->;
// The login: the user table with its login and password (password_hash) columns; null
// when the site asks for none.
const TV_LOGIN = <!--## If tvHasLogin() Then ##-->[
    'table' => <!--##=zvPhpStr(zvSqlIdent(PROJ.SecTbl))##-->,
    'user' => <!--##=zvPhpStr(zvSqlIdent(PROJ.SecLoginIDFld))##-->,
    'password' => <!--##=zvPhpStr(zvSqlIdent(PROJ.SecPasswdFld))##-->,
    'page' => <!--##=zvPhpStr(tvSitePageName("login"))##-->,
]<!--## Else ##-->null<!--## End If ##-->;

ob_start();

// An error that no page handles is logged; the visitor sees a short message with status 500.
set_exception_handler(function (Throwable $e): void {
    error_log((string)$e);
    tv_fail(500, TV_SERVER_ERROR);
});
register_shutdown_function(function (): void {
    $e = error_get_last();
    if ($e !== null && in_array($e['type'], [E_ERROR, E_PARSE, E_CORE_ERROR, E_COMPILE_ERROR, E_USER_ERROR], true)) {
        tv_fail(500, TV_SERVER_ERROR);
    }
});
if (!extension_loaded('mysqli')) {
    error_log('The PHP extension mysqli is not loaded.');
    tv_fail(500, TV_SERVER_ERROR);
}

mysqli_report(MYSQLI_REPORT_ERROR | MYSQLI_REPORT_STRICT);
if (session_status() !== PHP_SESSION_ACTIVE) {
    // The session id only from the cookie, never a new id the browser made up; the cookie
    // out of reach of scripts and other sites, and sent over HTTPS only when the page came so.
    ini_set('session.use_strict_mode', '1');
    ini_set('session.use_only_cookies', '1');
    $tv_https = (!empty($_SERVER['HTTPS']) && strtolower((string)$_SERVER['HTTPS']) !== 'off')
        || (string)($_SERVER['SERVER_PORT'] ?? '') === '443';
    session_set_cookie_params(['httponly' => true, 'samesite' => 'Lax', 'secure' => $tv_https]);
    session_start();
}
header('Content-Type: text/html; charset=' . TV_CHARSET);

function tv_env(string $name, string $default): string
{
    $v = getenv($name);
    return ($v === false || $v === '') ? $default : $v;
}

// The connection settings of the configuration file outside the site folder; [] without one.
function tv_config(): array
{
    static $config = null;
    if ($config === null) {
        $file = tv_env('TOLVEX_SITE_CONFIG', TV_CONFIG_FILE);
        $config = [];
        if (is_file($file) && is_readable($file)) {
            $read = parse_ini_file($file, false, INI_SCANNER_RAW);
            if (is_array($read)) {
                $config = array_map('strval', array_filter($read, 'is_scalar'));
            }
        }
    }
    return $config;
}

function tv_setting(string $env, string $key, string $default): string
{
    return tv_env($env, tv_config()[$key] ?? $default);
}

// The one connection of a request.
function tv_db(): mysqli
{
    static $db = null;
    if ($db === null) {
        $socket = tv_setting('TOLVEX_DB_SOCKET', 'socket', '');
        $db = new mysqli(
            tv_setting('TOLVEX_DB_HOST', 'host', TV_DB_HOST),
            tv_setting('TOLVEX_DB_USER', 'user', TV_DB_USER),
            tv_setting('TOLVEX_DB_PASSWORD', 'password', ''),
            tv_setting('TOLVEX_DB_NAME', 'database', TV_DB_NAME),
            (int)tv_setting('TOLVEX_DB_PORT', 'port', (string)(TV_DB_PORT > 0 ? TV_DB_PORT : 3306)),
            $socket === '' ? null : $socket
        );
        $db->set_charset(strtolower(TV_CHARSET) === 'utf-8' ? 'utf8mb4' : 'latin1');
    }
    return $db;
}

// Text for HTML.
function tv_h(mixed $v): string
{
    if ($v === null) {
        return '';
    }
    return htmlspecialchars((string)$v, ENT_QUOTES | ENT_SUBSTITUTE, strtolower(TV_CHARSET) === 'utf-8' ? 'UTF-8' : 'Windows-1252');
}

// Runs a prepared statement with bound parameters and returns its rows.
function tv_query(string $sql, string $types = '', array $params = []): array
{
    $stmt = tv_db()->prepare($sql);
    if ($types !== '') {
        $stmt->bind_param($types, ...$params);
    }
    $stmt->execute();
    $result = $stmt->get_result();
    $rows = $result === false ? [] : $result->fetch_all(MYSQLI_ASSOC);
    $stmt->close();
    return $rows;
}

// Runs a prepared statement that changes data; the number of rows it changed.
function tv_exec(string $sql, string $types = '', array $params = []): int
{
    $stmt = tv_db()->prepare($sql);
    if ($types !== '') {
        $stmt->bind_param($types, ...$params);
    }
    $stmt->execute();
    $n = $stmt->affected_rows;
    $stmt->close();
    return (int)$n;
}

// A request parameter as text, or null when it is missing or not a single value.
function tv_param(string $name, string $source = 'get'): ?string
{
    $v = $source === 'post' ? ($_POST[$name] ?? null) : ($_GET[$name] ?? null);
    return is_string($v) ? $v : null;
}

function tv_csrf_token(): string
{
    if (!isset($_SESSION['tv_csrf']) || !is_string($_SESSION['tv_csrf'])) {
        $_SESSION['tv_csrf'] = bin2hex(random_bytes(16));
    }
    return $_SESSION['tv_csrf'];
}

function tv_csrf_field(): string
{
    return '<input type="hidden" name="tv_csrf" value="' . tv_h(tv_csrf_token()) . '">';
}

function tv_csrf_ok(): bool
{
    $t = tv_param('tv_csrf', 'post');
    return $t !== null && hash_equals(tv_csrf_token(), $t);
}

function tv_redirect(string $url): void
{
    header('Location: ' . $url);
    exit;
}

function tv_flash(string $message): void
{
    $_SESSION['tv_flash'] = $message;
}

function tv_show_flash(): void
{
    if (isset($_SESSION['tv_flash']) && is_string($_SESSION['tv_flash'])) {
        echo '<p class="tv-message">' . tv_h($_SESSION['tv_flash']) . '</p>';
        unset($_SESSION['tv_flash']);
    }
}

// The fields of a table shown on a page ("list", "view", "add" or "edit").
function tv_fields(array $table, string $page): array
{
    return array_filter($table['fields'], fn(array $f): bool => !empty($f[$page]));
}

// The column list of a SELECT over the given fields.
function tv_columns(array $fields): string
{
    return implode(', ', array_map(fn(array $f): string => $f['col'], $fields));
}

// " WHERE key1 = ? AND ..." with its bind types, for the table's key.
function tv_key_where(array $table): array
{
    $parts = [];
    $types = '';
    foreach ($table['key'] as $name) {
        $parts[] = $table['fields'][$name]['col'] . ' = ?';
        $types .= $table['fields'][$name]['bind'];
    }
    return [' WHERE ' . implode(' AND ', $parts), $types];
}

// The key values named by the request, or null when one is missing.
function tv_key_values(array $table, string $source = 'get'): ?array
{
    $values = [];
    foreach ($table['key'] as $name) {
        $v = tv_param($table['fields'][$name]['param'], $source);
        if ($v === null || $v === '') {
            return null;
        }
        $values[] = $v;
    }
    return $values;
}

// The URL query that names a row by its key.
function tv_key_query(array $table, array $row): string
{
    $q = [];
    foreach ($table['key'] as $name) {
        $q[$table['fields'][$name]['param']] = (string)$row[$name];
    }
    return http_build_query($q);
}

// Hidden form fields that name a row by its key.
function tv_key_fields(array $table, array $row): string
{
    $out = '';
    foreach ($table['key'] as $name) {
        $out .= '<input type="hidden" name="' . tv_h($table['fields'][$name]['param']) . '" value="' . tv_h($row[$name]) . '">';
    }
    return $out;
}

// The row of the table with the given key values, or null.
function tv_find_row(array $table, array $keyValues): ?array
{
    [$where, $types] = tv_key_where($table);
    $sql = 'SELECT ' . tv_columns($table['fields']) . ' FROM ' . $table['from'] . $where . ' LIMIT 1';
    $rows = tv_query($sql, $types, $keyValues);
    return $rows[0] ?? null;
}

// The options of a field: its own values, or the rows of its lookup query.
function tv_options(array $field): array
{
    static $cache = [];
    if ($field['lookup'] === '') {
        return $field['options'];
    }
    if (!isset($cache[$field['lookup']])) {
        $map = [];
        foreach (tv_query($field['lookup']) as $r) {
            $r = array_values($r);
            $map[(string)$r[0]] = (string)($r[1] ?? $r[0]);
        }
        $cache[$field['lookup']] = $map;
    }
    return $cache[$field['lookup']];
}

// A date or date-time from the database in the field's display format.
function tv_format_date(string $v, int $format): string
{
    if (!preg_match('/^(\d{4})-(\d{2})-(\d{2})(.*)$/', $v, $m)) {
        return $v;
    }
    $sep = TV_DATE_SEPARATOR;
    $time = rtrim($m[4]);
    switch ($format) {
        case 6:
            return $m[2] . $sep . $m[3] . $sep . $m[1] . $time;
        case 7:
            return $m[3] . $sep . $m[2] . $sep . $m[1] . $time;
        default:
            return $m[1] . $sep . $m[2] . $sep . $m[3] . $time;
    }
}

// A date typed in the field's format (or as YYYY-MM-DD) as the database writes it, or null.
// The time may follow the date, with or without seconds and their fraction.
function tv_parse_date(string $v, int $format): ?string
{
    $v = trim($v);
    if (!preg_match('/^(\d{1,4})[\/.\-](\d{1,2})[\/.\-](\d{1,4})(?:[ T](\d{1,2}):(\d{2})(?::(\d{2})(\.\d{1,6})?)?)?$/', $v, $m)) {
        return null;
    }
    if (strlen($m[1]) === 4) {
        [$y, $mo, $d] = [$m[1], $m[2], $m[3]];
    } elseif ($format === 6) {
        [$mo, $d, $y] = [$m[1], $m[2], $m[3]];
    } else {
        [$d, $mo, $y] = [$m[1], $m[2], $m[3]];
    }
    if (strlen($y) !== 4 || !checkdate((int)$mo, (int)$d, (int)$y)) {
        return null;
    }
    $s = sprintf('%04d-%02d-%02d', (int)$y, (int)$mo, (int)$d);
    if (isset($m[4]) && $m[4] !== '') {
        $h = (int)$m[4];
        $mi = (int)$m[5];
        $se = isset($m[6]) && $m[6] !== '' ? (int)$m[6] : 0;
        if ($h > 23 || $mi > 59 || $se > 59) {
            return null;
        }
        $s .= sprintf(' %02d:%02d:%02d', $h, $mi, $se) . ($m[7] ?? '');
    }
    return $s;
}

// How a date of the given format is typed, for the hint in its text box.
function tv_date_hint(int $format, bool $time): string
{
    $sep = TV_DATE_SEPARATOR;
    $parts = match ($format) {
        6 => ['mm', 'dd', 'yyyy'],
        7 => ['dd', 'mm', 'yyyy'],
        default => ['yyyy', 'mm', 'dd'],
    };
    return implode($sep, $parts) . ($time ? ' hh:mm:ss' : '');
}

// A number in the field's view format (Currency and Number with its digits, Percent).
function tv_format_number(array $field, string $v): string
{
    if (!is_numeric($v) || $field['format'] === '') {
        return $v;
    }
    $n = (float)$v;
    switch ($field['format']) {
        case 'Percent':
            return number_format($n * 100, $field['digits']) . '%';
        default:
            return number_format($n, $field['digits']);
    }
}

// The class of a table cell of the field: numbers are right-aligned.
function tv_cell(array $field): string
{
    return $field['number'] && $field['options'] === [] && $field['lookup'] === '' ? ' class="tv-number"' : '';
}

// A value of a row as plain text, formatted by its field's settings.
function tv_text(array $field, mixed $v): string
{
    if ($v === null) {
        return '';
    }
    $v = (string)$v;
    if ($field['tag'] === 'BOOLEAN') {
        return $v !== '' && $v !== '0' ? <!--##=tvPhpStr(LANG.Phrase("Yes"))##--> : <!--##=tvPhpStr(LANG.Phrase("No"))##-->;
    }
    $options = tv_options($field);
    if ($options !== []) {
        if ($field['tag'] === 'CHECKBOX') {
            $labels = [];
            foreach (explode(',', $v) as $part) {
                $labels[] = $options[$part] ?? $part;
            }
            return implode(', ', $labels);
        }
        return (string)($options[$v] ?? $v);
    }
    if ($field['datefmt'] > 0) {
        return tv_format_date($v, $field['datefmt']);
    }
    if ($field['number']) {
        return tv_format_number($field, $v);
    }
    return $v;
}

// A value of a row as HTML, formatted by its field's settings.
function tv_display(array $field, mixed $v): string
{
    $text = tv_h(tv_text($field, $v));
    if ($field['tag'] === 'TEXTAREA' && TV_MEMO_BREAKS) {
        return nl2br($text);
    }
    return $text;
}

// The length of a text in characters (UTF-8) or bytes (single-byte charsets).
function tv_strlen(string $v): int
{
    if (strtolower(TV_CHARSET) !== 'utf-8') {
        return strlen($v);
    }
    $n = preg_match_all('/./su', $v);
    return $n === false ? strlen($v) : $n;
}

// What the database says of the columns of a table, by lower-case column name: whether a
// column takes NULL, whether the database fills it in when an INSERT leaves it out (it has
// a default, is AUTO_INCREMENT or is computed), and its data type with its size. Read from
// information_schema once a request; [] when the database tells nothing, and the project's
// field settings then decide alone.
function tv_db_columns(array $table): array
{
    static $cache = [];
    $name = $table['name'];
    if (!array_key_exists($name, $cache)) {
        $cols = [];
        try {
            $rows = tv_query('SELECT COLUMN_NAME, IS_NULLABLE, COLUMN_DEFAULT, EXTRA, DATA_TYPE, COLUMN_TYPE, NUMERIC_PRECISION, NUMERIC_SCALE'
                . ' FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = ? ORDER BY ORDINAL_POSITION', 's', [$name]);
        } catch (mysqli_sql_exception $e) {
            error_log($e->getMessage());
            $rows = [];
        }
        foreach ($rows as $r) {
            $extra = strtolower((string)$r['EXTRA']);
            $nullable = $r['IS_NULLABLE'] === 'YES';
            // MariaDB writes the default NULL of a column as the word NULL (and quotes a text);
            // MySQL gives no value for it.
            $default = $r['COLUMN_DEFAULT'] !== null && !($nullable && strtoupper((string)$r['COLUMN_DEFAULT']) === 'NULL');
            $computed = (bool)preg_match('/\b(virtual|stored|persistent) generated\b/', $extra);
            $cols[strtolower((string)$r['COLUMN_NAME'])] = [
                'name' => (string)$r['COLUMN_NAME'],
                'nullable' => $nullable,
                'filled' => $default || str_contains($extra, 'auto_increment') || $computed,
                'type' => strtolower((string)$r['DATA_TYPE']),
                'unsigned' => str_contains(strtolower((string)$r['COLUMN_TYPE']), 'unsigned'),
                'precision' => (int)$r['NUMERIC_PRECISION'],
                'scale' => (int)$r['NUMERIC_SCALE'],
            ];
        }
        $cache[$name] = $cols;
    }
    return $cache[$name];
}

// The fields of a form page ("add" or "edit"), each with what the database says of its
// column ('db', null when it says nothing) and whether a value must be typed ('required'):
// the field asks for one or its column takes no NULL, and the database cannot fill it in.
function tv_form_fields(array $table, string $page): array
{
    $cols = tv_db_columns($table);
    $fields = tv_fields($table, $page);
    foreach ($fields as &$f) {
        $c = $cols[strtolower($f['name'])] ?? null;
        $f['db'] = $c;
        if ($c !== null) {
            $f['nullable'] = $c['nullable'];
            $f['required'] = !$c['filled'] && ($f['required'] || (!$c['nullable'] && $f['tag'] !== 'BOOLEAN' && $f['tag'] !== 'CHECKBOX'));
        }
    }
    unset($f);
    return $fields;
}

// The columns a new record needs that the add form does not give: they take no NULL and the
// database has nothing to fill them with. While there is one, no record can be added.
function tv_add_blockers(array $table): array
{
    $given = [];
    foreach (tv_fields($table, 'add') as $f) {
        $given[strtolower($f['name'])] = true;
    }
    $out = [];
    foreach (tv_db_columns($table) as $lc => $c) {
        if (!$c['nullable'] && !$c['filled'] && !isset($given[$lc])) {
            $out[] = tv_column_caption($table, $c['name']);
        }
    }
    return $out;
}

// The caption of the field of a column, or the column's name when the site shows no field of it.
function tv_column_caption(array $table, string $column): string
{
    foreach ($table['fields'] as $f) {
        if (strcasecmp($f['name'], $column) === 0) {
            return $f['caption'];
        }
    }
    return $column;
}

// Stands for the column's database default in the values of an UPDATE (SET col = DEFAULT).
function tv_db_default(): object
{
    static $marker = null;
    return $marker ??= new stdClass();
}

// Compares two whole numbers written as decimal digits (with a sign), of any size.
function tv_int_cmp(string $a, string $b): int
{
    $parts = function (string $s): array {
        $digits = ltrim(ltrim($s, '+-'), '0');
        return [$digits !== '' && $s[0] === '-', $digits];
    };
    [$negA, $a] = $parts($a);
    [$negB, $b] = $parts($b);
    if ($negA !== $negB) {
        return $negA ? -1 : 1;
    }
    $c = (strlen($a) <=> strlen($b)) ?: (strcmp($a, $b) <=> 0);
    return $negA ? -$c : $c;
}

// Checks a number typed for a numeric column against the column's type: whole numbers and
// their range, the digits of a DECIMAL, the years of a YEAR. The message, or null when the
// column takes the value as it is.
function tv_number_error(array $field, array $col, string $v): ?string
{
    $caption = ' ' . $field['caption'];
    $ints = [
        'tinyint' => ['-128', '127', '255'], 'smallint' => ['-32768', '32767', '65535'],
        'mediumint' => ['-8388608', '8388607', '16777215'], 'int' => ['-2147483648', '2147483647', '4294967295'],
        'integer' => ['-2147483648', '2147483647', '4294967295'],
        'bigint' => ['-9223372036854775808', '9223372036854775807', '18446744073709551615'],
    ];
    $range = fn(string $min, string $max): string => sprintf(<!--##=tvPhpStr(LANG.Phrase("ValueOutOfRange"))##-->, $min, $max) . $caption;
    $type = $col['type'];
    if (isset($ints[$type]) || $type === 'year') {
        if (!preg_match('/^[+-]?\d+$/', $v)) {
            return <!--##=tvPhpStr(LANG.Phrase("InvalidInteger"))##--> . $caption;
        }
        if ($type === 'year') {
            $y = (int)$v;
            return $y === 0 || ($y >= 1901 && $y <= 2155) ? null : $range('1901', '2155');
        }
        [$min, $max] = $col['unsigned'] ? ['0', $ints[$type][2]] : [$ints[$type][0], $ints[$type][1]];
        return tv_int_cmp($v, $min) < 0 || tv_int_cmp($v, $max) > 0 ? $range($min, $max) : null;
    }
    if ($type === 'decimal') {
        if (!preg_match('/^[+-]?(\d*)(?:\.(\d*))?$/', $v, $m) || ($m[1] ?? '') . ($m[2] ?? '') === '') {
            return <!--##=tvPhpStr(LANG.Phrase("InvalidNumber"))##--> . $caption;
        }
        $scale = $col['scale'];
        $whole = ltrim($m[1], '0');
        $fraction = rtrim($m[2] ?? '', '0');
        if (strlen($fraction) > $scale) {
            return $scale === 0 ? <!--##=tvPhpStr(LANG.Phrase("InvalidInteger"))##--> . $caption
                : sprintf(<!--##=tvPhpStr(LANG.Phrase("TooManyDecimals"))##-->, $scale) . $caption;
        }
        $digits = max(0, $col['precision'] - $scale);
        $max = ($digits > 0 ? str_repeat('9', $digits) : '0') . ($scale > 0 ? '.' . str_repeat('9', $scale) : '');
        if (strlen($whole) > $digits || ($col['unsigned'] && $v[0] === '-' && $whole . $fraction !== '')) {
            return $range($col['unsigned'] ? '0' : '-' . $max, $max);
        }
        return null;
    }
    if (in_array($type, ['float', 'double', 'real'], true) && !is_numeric($v)) {
        return <!--##=tvPhpStr(LANG.Phrase("InvalidNumber"))##--> . $caption;
    }
    return null;
}

// The value typed into a form field, checked and converted for the database. Sets $error
// and returns null when the value is not acceptable. $omit is set when the field was left
// empty and the database is to fill the column in (add), or the column is to keep its
// value (edit, when the database tells nothing of it).
function tv_input_value(array $field, ?string &$error, bool &$omit = false, bool $edit = false): mixed
{
    $error = null;
    $omit = false;
    $raw = $_POST[$field['param']] ?? null;
    if ($field['tag'] === 'BOOLEAN') {
        return is_string($raw) && $raw !== '' && $raw !== '0' ? 1 : 0;
    }
    $options = tv_options($field);
    if ($field['tag'] === 'CHECKBOX') {
        $chosen = [];
        foreach (is_array($raw) ? $raw : [] as $r) {
            if ($r === '') {
                continue;
            }
            if (!is_string($r) || !array_key_exists($r, $options)) {
                $error = <!--##=tvPhpStr(LANG.Phrase("ValueNotInList"))##--> . ' ' . $field['caption'];
                return null;
            }
            $chosen[] = $r;
        }
        $v = implode(',', array_unique($chosen));
    } else {
        $v = is_string($raw) ? trim($raw) : '';
    }
    $db = $field['db'] ?? null;
    if ($v === '') {
        if ($field['required']) {
            $error = <!--##=tvPhpStr(LANG.Phrase("ValueRequired"))##--> . ' ' . $field['caption'];
            return null;
        }
        if ($field['tag'] === 'CHECKBOX' && !$field['nullable']) {
            return '';
        }
        if ($db === null) {
            // Nothing known of the column: one that takes no NULL is left to the database.
            $omit = !$field['nullable'];
            return null;
        }
        if (!$edit) {
            // A new record: the column gets its default (NULL when it has none).
            $omit = true;
            return null;
        }
        // A value cleared in an edit: NULL where the column takes it, else its default.
        return $db['nullable'] ? null : tv_db_default();
    }
    if ($field['maxlength'] > 0 && tv_strlen($v) > $field['maxlength']) {
        $error = <!--##=tvPhpStr(LANG.Phrase("ValueTooLong"))##--> . ' ' . $field['caption'];
        return null;
    }
    if ($options !== [] && $field['tag'] !== 'CHECKBOX' && !array_key_exists($v, $options)) {
        $error = <!--##=tvPhpStr(LANG.Phrase("ValueNotInList"))##--> . ' ' . $field['caption'];
        return null;
    }
    if ($field['type'] === 'email' && filter_var($v, FILTER_VALIDATE_EMAIL) === false) {
        $error = <!--##=tvPhpStr(LANG.Phrase("InvalidEmail"))##--> . ' ' . $field['caption'];
        return null;
    }
    $validate = $field['validate'];
    if (in_array($field['type'], ['date', 'datetime-local'], true)) {
        $validate = 'DATE';
    }
    switch ($validate) {
        case 'INTEGER':
            if (!preg_match('/^[+-]?\d+$/', $v)) {
                $error = <!--##=tvPhpStr(LANG.Phrase("InvalidInteger"))##--> . ' ' . $field['caption'];
                return null;
            }
            break;
        case 'FLOAT':
            if (!is_numeric($v)) {
                $error = <!--##=tvPhpStr(LANG.Phrase("InvalidNumber"))##--> . ' ' . $field['caption'];
                return null;
            }
            break;
        case 'DATE':
        case 'USDATE':
        case 'EURODATE':
            $d = tv_parse_date($v, $field['datefmt']);
            if ($d === null) {
                $error = <!--##=tvPhpStr(LANG.Phrase("InvalidDate"))##--> . ' ' . $field['caption'];
            }
            return $d;
        case 'TIME':
            if (!preg_match('/^-?\d{1,3}:\d{2}(:\d{2}(\.\d{1,6})?)?$/', $v)) {
                $error = <!--##=tvPhpStr(LANG.Phrase("InvalidTime"))##--> . ' ' . $field['caption'];
                return null;
            }
            return $v;
    }
    if ($db !== null && ($error = tv_number_error($field, $db, $v)) !== null) {
        return null;
    }
    if ($field['bind'] === 'i') {
        return (int)$v;
    }
    return $field['bind'] === 'd' ? (float)$v : $v;
}

// What the form control of a field shows for a value of the database: the text of its box
// (a date in the field's format, with its seconds), '1' or '0' for a check box, the chosen
// values of a list of check boxes.
function tv_fill_value(array $field, mixed $v): string|array
{
    if ($field['tag'] === 'CHECKBOX') {
        return $v === null || $v === '' ? [] : explode(',', (string)$v);
    }
    if ($field['tag'] === 'BOOLEAN') {
        return $v !== null && (string)$v !== '' && (string)$v !== '0' ? '1' : '0';
    }
    if ($v === null) {
        return '';
    }
    $v = (string)$v;
    if ($field['datefmt'] > 0) {
        return tv_format_date($v, $field['datefmt']);
    }
    return $field['type'] === 'datetime-local' ? str_replace(' ', 'T', $v) : $v;
}

// The form control of a field with its current value (as tv_fill_value gives it, or as posted).
function tv_control(array $field, mixed $value): string
{
    $name = tv_h($field['param']);
    $v = ($value === null || is_array($value)) ? '' : (string)$value;
    $req = $field['required'] ? ' required' : '';
    $options = tv_options($field);
    switch ($field['tag']) {
        case 'BOOLEAN':
            return '<input type="hidden" name="' . $name . '" value="0"><input type="checkbox" name="' . $name . '" value="1"' . ($v !== '' && $v !== '0' ? ' checked' : '') . '>';
        case 'TEXTAREA':
            // The line break after the tag keeps a first empty line of the value: browsers drop one there.
            return '<textarea name="' . $name . '" cols="' . $field['cols'] . '" rows="' . $field['rows'] . '"' . $req . ">\n" . tv_h($v) . '</textarea>';
        case 'RADIO':
            $out = '';
            foreach ($options as $k => $label) {
                $k = (string)$k;
                $out .= '<label><input type="radio" name="' . $name . '" value="' . tv_h($k) . '"' . ($k === $v ? ' checked' : '') . $req . '> ' . tv_h($label) . '</label> ';
            }
            return $out;
        case 'CHECKBOX':
            $set = is_array($value) ? $value : explode(',', $v);
            // The empty value is always sent, so that a form with no box ticked still names the field.
            $out = '<input type="hidden" name="' . $name . '[]" value="">';
            foreach ($options as $k => $label) {
                $k = (string)$k;
                $out .= '<label><input type="checkbox" name="' . $name . '[]" value="' . tv_h($k) . '"' . (in_array($k, $set, true) ? ' checked' : '') . '> ' . tv_h($label) . '</label> ';
            }
            return $out;
        case 'SELECT':
            $out = '<select name="' . $name . '"' . $req . '><option value=""></option>';
            foreach ($options as $k => $label) {
                $k = (string)$k;
                $out .= '<option value="' . tv_h($k) . '"' . ($k === $v ? ' selected' : '') . '>' . tv_h($label) . '</option>';
            }
            return $out . '</select>';
    }
    $type = $field['type'];
    $extra = '';
    if (in_array($type, ['date', 'datetime-local'], true) && $field['datefmt'] > 0) {
        // A date in the project's format: a text box, as a browser's date box shows the
        // date in the visitor's own format.
        $extra = ' placeholder="' . tv_h(tv_date_hint($field['datefmt'], $type === 'datetime-local')) . '"';
        $type = 'text';
    } elseif (in_array($type, ['datetime-local', 'time'], true)) {
        $extra = ' step="1"';
    } elseif ($type === 'number') {
        $extra = $field['bind'] === 'i' ? ' step="1"' : ' step="any"';
    }
    $size = $field['size'] > 0 && $type === 'text' ? ' size="' . $field['size'] . '"' : '';
    $max = $field['maxlength'] > 0 && in_array($type, ['text', 'email'], true) ? ' maxlength="' . $field['maxlength'] . '"' : '';
    return '<input type="' . $type . '" name="' . $name . '" value="' . tv_h($v) . '"' . $size . $max . $extra . $req . '>';
}

// The value a form shows for a field: the one just posted, else the row's; a new record
// starts with the field's default.
function tv_form_value(array $field, ?array $row): mixed
{
    if ($_SERVER['REQUEST_METHOD'] === 'POST' && isset($_POST[$field['param']])) {
        $posted = $_POST[$field['param']];
        if (is_array($posted)) {
            return $field['tag'] === 'CHECKBOX' ? array_values(array_filter($posted, 'is_string')) : null;
        }
        return $posted;
    }
    if ($row === null) {
        return $field['default'] === '' ? null : $field['default'];
    }
    return tv_fill_value($field, $row[$field['name']] ?? null);
}

// A value of a form as it is compared with the value the form was filled with: line breaks
// as browsers send them made one, the chosen values of check boxes in one order.
function tv_form_text(array $field, mixed $v): string
{
    if ($field['tag'] === 'CHECKBOX') {
        $set = array_filter(is_array($v) ? $v : explode(',', (string)$v), fn($s): bool => is_string($s) && $s !== '');
        sort($set, SORT_STRING);
        return implode(',', array_unique($set));
    }
    if (!is_string($v)) {
        return '';
    }
    if ($field['tag'] === 'BOOLEAN') {
        return $v !== '' && $v !== '0' ? '1' : '0';
    }
    return str_replace("\r\n", "\n", $v);
}

// Whether an edit form changes a field: its value was sent and differs from the value the
// form was filled with (sent back as tv_was[field]). A field that was not sent keeps its value.
function tv_form_changed(array $field): bool
{
    $p = $field['param'];
    if (!array_key_exists($p, $_POST)) {
        return false;
    }
    $was = $_POST['tv_was'] ?? null;
    if (!is_array($was) || !isset($was[$p]) || !is_string($was[$p])) {
        return true;
    }
    return tv_form_text($field, $_POST[$p]) !== tv_form_text($field, $was[$p]);
}

// Reads the values of a form for the given fields: [values, errors by field name]. A new
// record leaves out the fields left empty whose column the database fills in; an edit
// takes only the fields whose value was changed, so that saving an unchanged form writes
// nothing and the database keeps what it maintains itself (ON UPDATE).
function tv_form_values(array $fields, bool $edit = false): array
{
    $values = [];
    $errors = [];
    foreach ($fields as $name => $f) {
        if ($edit && !tv_form_changed($f)) {
            continue;
        }
        $err = null;
        $omit = false;
        $v = tv_input_value($f, $err, $omit, $edit);
        if ($err !== null) {
            $errors[$name] = $err;
        } elseif (!$omit) {
            $values[$name] = $v;
        }
    }
    return [$values, $errors];
}

// After a unique-key violation: the errors at the fields whose value another record holds.
function tv_unique_errors(array $table, array $values, ?array $keyValues): array
{
    $errors = [];
    foreach ($values as $name => $v) {
        $f = $table['fields'][$name];
        if (!$f['unique'] || $v === null || is_object($v)) {
            continue;
        }
        $sql = 'SELECT 1 FROM ' . $table['from'] . ' WHERE ' . $f['col'] . ' = ?';
        $types = $f['bind'];
        $params = [$v];
        if ($keyValues !== null) {
            [$where, $keyTypes] = tv_key_where($table);
            $sql .= ' AND NOT (' . substr($where, 7) . ')';
            $types .= $keyTypes;
            $params = array_merge($params, $keyValues);
        }
        if (tv_query($sql . ' LIMIT 1', $types, $params) !== []) {
            $errors[$name] = <!--##=tvPhpStr(LANG.Phrase("ValueNotUnique"))##--> . ' ' . $f['caption'];
        }
    }
    return $errors === [] ? ['' => <!--##=tvPhpStr(LANG.Phrase("SaveFailed"))##-->] : $errors;
}

// The errors of a value that the database refused, at the field of the column it names
// (out of range, too long, not of the column's type, missing): [] when it names none.
function tv_value_errors(array $table, mysqli_sql_exception $e): array
{
    $phrases = [
        1264 => <!--##=tvPhpStr(LANG.Phrase("ValueRejected"))##-->, 1265 => <!--##=tvPhpStr(LANG.Phrase("ValueRejected"))##-->,
        1292 => <!--##=tvPhpStr(LANG.Phrase("ValueRejected"))##-->, 1366 => <!--##=tvPhpStr(LANG.Phrase("ValueRejected"))##-->,
        1406 => <!--##=tvPhpStr(LANG.Phrase("ValueTooLong"))##-->, 1048 => <!--##=tvPhpStr(LANG.Phrase("ValueRequired"))##-->,
        1364 => <!--##=tvPhpStr(LANG.Phrase("ValueRequired"))##-->,
    ];
    $code = $e->getCode();
    if (!isset($phrases[$code]) || !preg_match("/(?:column|Column|Field) ((?:[`'][^`']*[`']\\.?)+)/", $e->getMessage(), $m)
        || !preg_match_all("/[`']([^`']*)[`']/", $m[1], $names)) {
        return [];
    }
    $column = end($names[1]);
    foreach ($table['fields'] as $name => $f) {
        if (strcasecmp($f['name'], $column) === 0) {
            return [$name => $phrases[$code] . ' ' . $f['caption']];
        }
    }
    return ['' => $phrases[$code] . ' ' . $column];
}

// Writes a record (INSERT, or UPDATE of the record with the given key); the errors by field
// name, [] when it was written.
function tv_save(array $table, array $values, ?array $keyValues): array
{
    if ($values === [] && $keyValues !== null) {
        return [];
    }
    $cols = [];
    $sets = [];
    $types = '';
    $params = [];
    foreach ($values as $name => $v) {
        $col = $table['fields'][$name]['col'];
        $cols[] = $col;
        if ($v === tv_db_default()) {
            $sets[] = $col . ' = DEFAULT';
            continue;
        }
        $sets[] = $col . ' = ?';
        $types .= $table['fields'][$name]['bind'];
        $params[] = $v;
    }
    if ($keyValues === null) {
        $sql = $values === [] ? 'INSERT INTO ' . $table['from'] . ' () VALUES ()'
            : 'INSERT INTO ' . $table['from'] . ' (' . implode(', ', $cols) . ') VALUES (' . implode(', ', array_fill(0, count($cols), '?')) . ')';
    } else {
        [$where, $keyTypes] = tv_key_where($table);
        $sql = 'UPDATE ' . $table['from'] . ' SET ' . implode(', ', $sets) . $where;
        $types .= $keyTypes;
        $params = array_merge($params, $keyValues);
    }
    try {
        tv_exec($sql, $types, $params);
    } catch (mysqli_sql_exception $e) {
        error_log($e->getMessage());
        if ($e->getCode() === 1062) {
            return tv_unique_errors($table, $values, $keyValues);
        }
        $errors = tv_value_errors($table, $e);
        return $errors !== [] ? $errors : ['' => <!--##=tvPhpStr(LANG.Phrase("SaveFailed"))##-->];
    }
    return [];
}

// The rows of a form page: a label and the control of each field, with its error. An edit
// form ($row) also carries the values it was filled with (tv_was), so that saving it writes
// only what was changed.
function tv_form_rows(array $table, array $fields, ?array $row, array $errors, bool $showKeys): string
{
    $out = '';
    $was = is_array($_POST['tv_was'] ?? null) ? $_POST['tv_was'] : [];
    foreach ($table['fields'] as $name => $f) {
        if (isset($fields[$name])) {
            $f = $fields[$name];
            $out .= '<tr><th>' . tv_h($f['caption']) . ($f['required'] ? ' <span class="tv-required">*</span>' : '') . '</th><td>'
                . tv_control($f, tv_form_value($f, $row));
            if ($row !== null) {
                $filled = isset($was[$f['param']]) && is_string($was[$f['param']]) ? $was[$f['param']] : tv_fill_value($f, $row[$name] ?? null);
                $out .= '<input type="hidden" name="tv_was[' . tv_h($f['param']) . ']" value="' . tv_h(is_array($filled) ? implode(',', $filled) : $filled) . '">';
            }
            if (isset($errors[$name])) {
                $out .= '<div class="tv-field-error">' . tv_h($errors[$name]) . '</div>';
            }
            $out .= '</td></tr>' . "\n";
        } elseif ($showKeys && $row !== null && ($f['key'] || $f['auto'])) {
            $out .= '<tr><th>' . tv_h($f['caption']) . '</th><td>' . tv_display($f, $row[$name] ?? null) . '</td></tr>' . "\n";
        }
    }
    return $out;
}

// The order of the rows of a query of the table: the given order, then the key columns
// (every column of the table where it has no key), so that rows alike in the given order
// still come in one fixed order and the pages of a list neither repeat nor skip a row.
function tv_stable_order(array $table, string $order): string
{
    $cols = $table['key'] !== []
        ? array_map(fn(string $k): string => $table['fields'][$k]['col'], $table['key'])
        : array_map(fn(array $f): string => $f['col'], array_values($table['fields']));
    $parts = $order === '' ? [] : [$order];
    $used = ' ' . $order . ',';
    foreach ($cols as $col) {
        if (!str_contains($used, ' ' . $col . ' ') && !str_contains($used, ' ' . $col . ',')) {
            $parts[] = $col . ' ASC';
        }
    }
    return implode(', ', $parts);
}

// Links to the pages of a list.
function tv_pager(int $page, int $pages, array $query): string
{
    if ($pages <= 1) {
        return '';
    }
    $link = function (int $p, string $text) use ($query): string {
        $query['page'] = $p;
        return '<a href="?' . tv_h(http_build_query($query)) . '">' . $text . '</a>';
    };
    $out = '<div class="tv-pager">';
    if ($page > 1) {
        $out .= $link(1, <!--##=tvPhpStr(zvHtml(LANG.Phrase("First")))##-->) . ' ' . $link($page - 1, <!--##=tvPhpStr(zvHtml(LANG.Phrase("Previous")))##-->) . ' ';
    }
    $out .= tv_h(sprintf(<!--##=tvPhpStr(LANG.Phrase("PageOf"))##-->, $page, $pages));
    if ($page < $pages) {
        $out .= ' ' . $link($page + 1, <!--##=tvPhpStr(zvHtml(LANG.Phrase("Next")))##-->) . ' ' . $link($pages, <!--##=tvPhpStr(zvHtml(LANG.Phrase("Last")))##-->);
    }
    return $out . '</div>';
}

// The condition of a search of a field with an operator; the values are bound. For a field
// that shows a value of another table, the condition is on the displayed value. Null when
// the value cannot be searched for (not a number, not a date).
function tv_search_condition(array $f, string $op, string $v, string $v2, string &$types, array &$params): ?string
{
    $target = $f['col'];
    $lookup = $f['lookupsearch'];
    if ($lookup !== null) {
        $target = $lookup[1];
    } else {
        foreach ([&$v, &$v2] as &$value) {
            if ($value === '') {
                continue;
            }
            if ($f['datefmt'] > 0) {
                $value = tv_parse_date($value, $f['datefmt']);
                if ($value === null) {
                    return null;
                }
            } elseif ($f['number'] && !in_array($op, ['LIKE', 'NOT LIKE', 'STARTS WITH'], true) && !is_numeric($value)) {
                return null;
            }
        }
        unset($value);
    }
    $like = fn(string $s): string => addcslashes($s, '\\%_');
    switch ($op) {
        case '=':
        case '<>':
        case '<':
        case '<=':
        case '>':
        case '>=':
            $cond = $target . ' ' . $op . ' ?';
            $params[] = $v;
            $types .= 's';
            break;
        case 'BETWEEN':
            if ($v2 === '') {
                $cond = $target . ' >= ?';
                $params[] = $v;
                $types .= 's';
            } else {
                $cond = $target . ' BETWEEN ? AND ?';
                array_push($params, $v, $v2);
                $types .= 'ss';
            }
            break;
        case 'LIKE':
        case 'NOT LIKE':
            $cond = $target . ' ' . $op . ' ?';
            $params[] = '%' . $like($v) . '%';
            $types .= 's';
            break;
        case 'STARTS WITH':
            $cond = $target . ' LIKE ?';
            $params[] = $like($v) . '%';
            $types .= 's';
            break;
        default:
            return null;
    }
    return $lookup !== null ? $f['col'] . ' IN (' . $lookup[0] . $cond . ')' : $cond;
}

// The search of a list from the request: the conditions with their bound values, the query
// that keeps it in links, and the messages about values that could not be searched for.
function tv_search(array $table): array
{
    $where = [];
    $types = '';
    $params = [];
    $query = [];
    $errors = [];
    if ($table['filter'] !== '') {
        $where[] = '(' . $table['filter'] . ')';
    }
    $q = $table['search'] ? trim(tv_param('q') ?? '') : '';
    if ($q !== '') {
        $query['q'] = $q;
        $or = [];
        foreach ($table['fields'] as $f) {
            if ($f['search']) {
                $cond = tv_search_condition($f, $f['srchopr'] === 'LIKE' ? 'LIKE' : '=', $q, '', $types, $params);
                if ($cond !== null) {
                    $or[] = $cond;
                }
            }
        }
        $where[] = $or === [] ? '1 = 0' : '(' . implode(' OR ', $or) . ')';
    }
    foreach ($table['fields'] as $f) {
        if (!$f['advsearch']) {
            continue;
        }
        $p = $f['param'];
        $v = trim(tv_param('s_' . $p) ?? '');
        $v2 = trim(tv_param('t_' . $p) ?? '');
        $op = tv_param('o_' . $p) ?? '';
        if (!in_array($op, $f['ops'], true)) {
            $op = $f['ops'][0];
        }
        if ($v !== '') {
            $query['s_' . $p] = $v;
            if (count($f['ops']) > 1) {
                $query['o_' . $p] = $op;
            }
            if ($op === 'BETWEEN' && $v2 !== '') {
                $query['t_' . $p] = $v2;
            }
            $cond = tv_search_condition($f, $op, $v, $op === 'BETWEEN' ? $v2 : '', $types, $params);
            if ($cond === null) {
                $errors[] = <!--##=tvPhpStr(LANG.Phrase("InvalidSearch"))##--> . ' ' . $f['caption'];
            } else {
                $where[] = $cond;
            }
        }
        $filter = (int)(tv_param('f_' . $p) ?? '0');
        if ($filter >= 1 && $filter <= count($f['filters'])) {
            $query['f_' . $p] = (string)$filter;
            // A predefined filter: an SQL condition from the designer's settings.
            $where[] = $f['filters'][$filter - 1][1];
        }
    }
    return [$where === [] ? '' : ' WHERE ' . implode(' AND ', $where), $types, $params, $query, $errors];
}

// The search form of a list: the basic search box, and a line per field with its operators
// and the predefined filters.
function tv_search_form(array $table, array $query): string
{
    $fields = array_filter($table['fields'], fn(array $f): bool => $f['advsearch']);
    if (!$table['search'] && $fields === []) {
        return '';
    }
    $out = '<form class="tv-search" method="get" action="">';
    if ($table['search']) {
        $out .= '<div class="tv-search-line"><input type="search" name="q" value="' . tv_h($query['q'] ?? '') . '" placeholder="'
            . <!--##=tvPhpStr(zvHtml(LANG.Phrase("SearchAll")))##--> . '" aria-label="' . <!--##=tvPhpStr(zvHtml(LANG.Phrase("SearchAll")))##--> . '"></div>';
    }
    foreach ($fields as $f) {
        $p = $f['param'];
        $type = in_array($f['type'], ['date', 'datetime-local', 'number'], true) && $f['lookupsearch'] === null ? ($f['type'] === 'datetime-local' ? 'date' : $f['type']) : 'text';
        $step = $type === 'number' ? ' step="any"' : '';
        if ($type === 'date' && $f['datefmt'] > 0) {
            // A date is typed in the project's format, as the list shows it.
            $type = 'text';
            $step = ' placeholder="' . tv_h(tv_date_hint($f['datefmt'], false)) . '"';
        }
        $out .= '<div class="tv-search-line"><label>' . tv_h($f['caption']) . '</label> ';
        if (count($f['ops']) > 1) {
            $out .= '<select name="o_' . tv_h($p) . '">';
            foreach ($f['ops'] as $op) {
                $out .= '<option value="' . tv_h($op) . '"' . (($query['o_' . $p] ?? '') === $op ? ' selected' : '') . '>' . tv_h(tv_operator_text($op)) . '</option>';
            }
            $out .= '</select> ';
        } else {
            $out .= '<span class="tv-operator">' . tv_h(tv_operator_text($f['ops'][0])) . '</span> ';
        }
        $out .= '<input type="' . $type . '"' . $step . ' name="s_' . tv_h($p) . '" value="' . tv_h($query['s_' . $p] ?? '') . '">';
        if (in_array('BETWEEN', $f['ops'], true)) {
            $out .= ' <span class="tv-and">' . <!--##=tvPhpStr(zvHtml(LANG.Phrase("And")))##--> . '</span> <input type="' . $type . '"' . $step . ' name="t_' . tv_h($p) . '" value="' . tv_h($query['t_' . $p] ?? '') . '">';
        }
        if ($f['filters'] !== []) {
            $out .= ' <select name="f_' . tv_h($p) . '"><option value="">' . <!--##=tvPhpStr(zvHtml(LANG.Phrase("AnyFilter")))##--> . '</option>';
            foreach ($f['filters'] as $i => $filter) {
                $out .= '<option value="' . ($i + 1) . '"' . (($query['f_' . $p] ?? '') === (string)($i + 1) ? ' selected' : '') . '>' . tv_h($filter[0]) . '</option>';
            }
            $out .= '</select>';
        }
        $out .= '</div>';
    }
    $out .= '<div class="tv-search-line"><button type="submit">' . <!--##=tvPhpStr(zvHtml(LANG.Phrase("Search")))##--> . '</button>';
    if ($query !== []) {
        $out .= ' <a href="?">' . <!--##=tvPhpStr(zvHtml(LANG.Phrase("ShowAll")))##--> . '</a>';
    }
    return $out . '</div></form>';
}

// The text of a search operator.
function tv_operator_text(string $op): string
{
    $texts = [
        '=' => <!--##=tvPhpStr(LANG.Phrase("OpEqual"))##-->, '<>' => <!--##=tvPhpStr(LANG.Phrase("OpNotEqual"))##-->,
        '<' => <!--##=tvPhpStr(LANG.Phrase("OpLess"))##-->, '<=' => <!--##=tvPhpStr(LANG.Phrase("OpLessEqual"))##-->,
        '>' => <!--##=tvPhpStr(LANG.Phrase("OpGreater"))##-->, '>=' => <!--##=tvPhpStr(LANG.Phrase("OpGreaterEqual"))##-->,
        'BETWEEN' => <!--##=tvPhpStr(LANG.Phrase("OpBetween"))##-->, 'LIKE' => <!--##=tvPhpStr(LANG.Phrase("OpContains"))##-->,
        'NOT LIKE' => <!--##=tvPhpStr(LANG.Phrase("OpNotContains"))##-->, 'STARTS WITH' => <!--##=tvPhpStr(LANG.Phrase("OpStartsWith"))##-->,
    ];
    return $texts[$op] ?? $op;
}

// The user who logged in, or null.
function tv_user(): ?string
{
    $u = $_SESSION['tv_user'] ?? null;
    return is_string($u) ? $u : null;
}

// Checks a login against the user table; the password column holds password_hash() values.
function tv_login(string $user, string $password): bool
{
    $rows = tv_query('SELECT ' . TV_LOGIN['password'] . ' AS h FROM ' . TV_LOGIN['table'] . ' WHERE ' . TV_LOGIN['user'] . ' = ? LIMIT 1', 's', [$user]);
    $hash = (string)($rows[0]['h'] ?? '');
    // An unknown user is checked against a hash of the same cost, so that the answer takes as
    // long as for a wrong password and does not tell which user names exist.
    $known = $hash !== '';
    if (!password_verify($password, $known ? $hash : TV_DUMMY_HASH) || !$known) {
        return false;
    }
    session_regenerate_id(true);
    $_SESSION['tv_user'] = $user;
    return true;
}

// A password_hash() of no password anyone types, for tv_login.
const TV_DUMMY_HASH = '$2y$10$HTiSoY32J0LxO7zHrqNwnuoHlf0vg.TFdXw5kFBDcVFQwJoCDqOHa';

// A cell of a CSV export: text that a spreadsheet would take for a formula (starting with
// =, +, -, @, a tab or a carriage return) gets a leading single quote.
function tv_csv_cell(string $v): string
{
    return $v !== '' && str_contains("=+-@\t\r", $v[0]) ? "'" . $v : $v;
}

// Stops the page with an HTTP error and a short message.
function tv_fail(int $status, string $message): void
{
    while (ob_get_level() > 0) {
        ob_end_clean();
    }
    if (!headers_sent()) {
        http_response_code($status);
        header('Content-Type: text/html; charset=' . TV_CHARSET);
    }
    echo '<!DOCTYPE html><html><head><meta charset="' . tv_h(TV_CHARSET) . '"><title>' . tv_h(TV_SITE_TITLE) . '</title></' . 'head><body><p>' . tv_h($message) . '</p><p><a href="' . tv_h(TV_DEFAULT_PAGE) . '">' . <!--##=tvPhpStr(zvHtml(LANG.Phrase("Home")))##--> . '</a></p></body></html>';
    exit;
}

// Pages other than the login page are for users who logged in.
if (TV_LOGIN !== null && !defined('TV_PUBLIC_PAGE') && tv_user() === null) {
    $tv_return = basename((string)($_SERVER['SCRIPT_NAME'] ?? ''));
    $tv_qs = (string)($_SERVER['QUERY_STRING'] ?? '');
    tv_redirect(TV_LOGIN['page'] . '?' . http_build_query(['return' => $tv_return . ($tv_qs !== '' ? '?' . $tv_qs : '')]));
}
