<?php
<!--##=GeneratorBanner()##-->
// Settings and functions shared by every page of the site.
declare(strict_types=1);

// Connection settings; the environment variables TOLVEX_DB_HOST, TOLVEX_DB_PORT,
// TOLVEX_DB_SOCKET, TOLVEX_DB_USER, TOLVEX_DB_PASSWORD and TOLVEX_DB_NAME override them.
const TV_DB_HOST = <!--##=zvPhpStr(DB.DBHost)##-->;
const TV_DB_PORT = <!--##=zvPhpInt(DB.DBPort)##-->;
const TV_DB_USER = <!--##=zvPhpStr(DB.DBUID)##-->;
const TV_DB_PASSWORD = <!--##=zvPhpStr(DB.DBPwd)##-->;
const TV_DB_NAME = <!--##=zvPhpStr(DB.DBName)##-->;
const TV_SITE_TITLE = <!--##=zvPhpStr(SiteTitle())##-->;
const TV_DEFAULT_PAGE = <!--##=zvPhpStr(tvDefaultPageName())##-->;
const TV_DATE_SEPARATOR = <!--##=zvPhpStr(tvDateSeparator())##-->;
const TV_MEMO_BREAKS = <!--##=zvPhpBool(PROJ.MemoCRLFReplace)##-->;

mysqli_report(MYSQLI_REPORT_ERROR | MYSQLI_REPORT_STRICT);
ob_start();
if (session_status() !== PHP_SESSION_ACTIVE) {
    session_set_cookie_params(['httponly' => true, 'samesite' => 'Lax']);
    session_start();
}

// An error that no page handles is logged; the visitor sees a short message only.
set_exception_handler(function (Throwable $e): void {
    error_log((string)$e);
    if (ob_get_level() > 0) {
        ob_clean();
    }
    tv_fail(500, <!--##=zvPhpStr(LANG.Phrase("ServerError"))##-->);
});

function tv_env(string $name, string $default): string
{
    $v = getenv($name);
    return ($v === false || $v === '') ? $default : $v;
}

// The one connection of a request.
function tv_db(): mysqli
{
    static $db = null;
    if ($db === null) {
        $socket = tv_env('TOLVEX_DB_SOCKET', '');
        $db = new mysqli(
            tv_env('TOLVEX_DB_HOST', TV_DB_HOST),
            tv_env('TOLVEX_DB_USER', TV_DB_USER),
            tv_env('TOLVEX_DB_PASSWORD', TV_DB_PASSWORD),
            tv_env('TOLVEX_DB_NAME', TV_DB_NAME),
            (int)tv_env('TOLVEX_DB_PORT', (string)(TV_DB_PORT > 0 ? TV_DB_PORT : 3306)),
            $socket === '' ? null : $socket
        );
        $db->set_charset('utf8mb4');
    }
    return $db;
}

// Text for HTML.
function tv_h(mixed $v): string
{
    if ($v === null) {
        return '';
    }
    return htmlspecialchars((string)$v, ENT_QUOTES | ENT_SUBSTITUTE, 'UTF-8');
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
function tv_parse_date(string $v, int $format): ?string
{
    $v = trim($v);
    if (!preg_match('/^(\d{1,4})[\/.\-](\d{1,2})[\/.\-](\d{1,4})(?:[ T](\d{1,2}):(\d{2})(?::(\d{2}))?)?$/', $v, $m)) {
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
        $s .= sprintf(' %02d:%02d:%02d', $h, $mi, $se);
    }
    return $s;
}

// A value of a row as HTML, formatted by its field's settings.
function tv_display(array $field, mixed $v): string
{
    if ($v === null) {
        return '';
    }
    $v = (string)$v;
    $options = tv_options($field);
    if ($options !== []) {
        if ($field['tag'] === 'CHECKBOX') {
            $labels = [];
            foreach (explode(',', $v) as $part) {
                $labels[] = $options[$part] ?? $part;
            }
            return tv_h(implode(', ', $labels));
        }
        return tv_h($options[$v] ?? $v);
    }
    if ($field['datefmt'] > 0) {
        return tv_h(tv_format_date($v, $field['datefmt']));
    }
    if ($field['tag'] === 'TEXTAREA' && TV_MEMO_BREAKS) {
        return nl2br(tv_h($v));
    }
    return tv_h($v);
}

// The value typed into a form field, checked and converted for the database. Sets $error
// and returns null when the value is not acceptable.
function tv_input_value(array $field, ?string &$error): mixed
{
    $error = null;
    $raw = $_POST[$field['param']] ?? null;
    if ($field['tag'] === 'CHECKBOX') {
        $raw = is_array($raw) ? $raw : [];
        $options = tv_options($field);
        $chosen = [];
        foreach ($raw as $r) {
            if (is_string($r) && array_key_exists($r, $options)) {
                $chosen[] = $r;
            }
        }
        $v = implode(',', $chosen);
    } else {
        $v = is_string($raw) ? trim($raw) : '';
    }
    if ($v === '') {
        if ($field['required']) {
            $error = <!--##=zvPhpStr(LANG.Phrase("ValueRequired"))##--> . ' ' . $field['caption'];
        }
        return null;
    }
    if ($field['maxlength'] > 0 && mb_strlen($v) > $field['maxlength']) {
        $error = <!--##=zvPhpStr(LANG.Phrase("ValueTooLong"))##--> . ' ' . $field['caption'];
        return null;
    }
    $options = tv_options($field);
    if ($options !== [] && $field['tag'] !== 'CHECKBOX' && !array_key_exists($v, $options)) {
        $error = <!--##=zvPhpStr(LANG.Phrase("ValueNotInList"))##--> . ' ' . $field['caption'];
        return null;
    }
    switch ($field['validate']) {
        case 'INTEGER':
            if (!preg_match('/^[+-]?\d+$/', $v)) {
                $error = <!--##=zvPhpStr(LANG.Phrase("InvalidInteger"))##--> . ' ' . $field['caption'];
                return null;
            }
            return $field['bind'] === 'i' ? (int)$v : $v;
        case 'FLOAT':
            if (!is_numeric($v)) {
                $error = <!--##=zvPhpStr(LANG.Phrase("InvalidNumber"))##--> . ' ' . $field['caption'];
                return null;
            }
            return $field['bind'] === 'd' ? (float)$v : $v;
        case 'DATE':
        case 'USDATE':
        case 'EURODATE':
            $d = tv_parse_date($v, $field['datefmt']);
            if ($d === null) {
                $error = <!--##=zvPhpStr(LANG.Phrase("InvalidDate"))##--> . ' ' . $field['caption'];
            }
            return $d;
        case 'TIME':
            if (!preg_match('/^\d{1,2}:\d{2}(:\d{2})?$/', $v)) {
                $error = <!--##=zvPhpStr(LANG.Phrase("InvalidTime"))##--> . ' ' . $field['caption'];
                return null;
            }
            return $v;
    }
    return $field['bind'] === 'i' ? (int)$v : $v;
}

// The form control of a field with its current value.
function tv_control(array $field, mixed $value): string
{
    $name = tv_h($field['param']);
    $v = ($value === null || is_array($value)) ? '' : (string)$value;
    if ($field['datefmt'] > 0 && $v !== '' && !isset($_POST[$field['param']])) {
        $v = tv_format_date($v, $field['datefmt']);
    }
    $options = tv_options($field);
    switch ($field['tag']) {
        case 'TEXTAREA':
            return '<textarea name="' . $name . '" cols="' . $field['cols'] . '" rows="' . $field['rows'] . '">' . tv_h($v) . '</textarea>';
        case 'RADIO':
            $out = '';
            foreach ($options as $k => $label) {
                $k = (string)$k;
                $out .= '<label><input type="radio" name="' . $name . '" value="' . tv_h($k) . '"' . ($k === $v ? ' checked' : '') . '> ' . tv_h($label) . '</label> ';
            }
            return $out;
        case 'CHECKBOX':
            $set = is_array($value) ? $value : explode(',', $v);
            $out = '';
            foreach ($options as $k => $label) {
                $k = (string)$k;
                $out .= '<label><input type="checkbox" name="' . $name . '[]" value="' . tv_h($k) . '"' . (in_array($k, $set, true) ? ' checked' : '') . '> ' . tv_h($label) . '</label> ';
            }
            return $out;
        case 'SELECT':
            $out = '<select name="' . $name . '"><option value=""></option>';
            foreach ($options as $k => $label) {
                $k = (string)$k;
                $out .= '<option value="' . tv_h($k) . '"' . ($k === $v ? ' selected' : '') . '>' . tv_h($label) . '</option>';
            }
            return $out . '</select>';
    }
    $size = $field['size'] > 0 ? ' size="' . $field['size'] . '"' : '';
    $max = $field['maxlength'] > 0 ? ' maxlength="' . $field['maxlength'] . '"' : '';
    return '<input type="text" name="' . $name . '" value="' . tv_h($v) . '"' . $size . $max . '>';
}

// The value a form shows for a field: the one just posted, else the row's.
function tv_form_value(array $field, ?array $row): mixed
{
    if ($_SERVER['REQUEST_METHOD'] === 'POST' && isset($_POST[$field['param']])) {
        $posted = $_POST[$field['param']];
        if (is_array($posted)) {
            return $field['tag'] === 'CHECKBOX' ? array_values(array_filter($posted, 'is_string')) : null;
        }
        return $posted;
    }
    return $row[$field['name']] ?? null;
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
        $out .= $link(1, <!--##=zvPhpStr(zvHtml(LANG.Phrase("First")))##-->) . ' ' . $link($page - 1, <!--##=zvPhpStr(zvHtml(LANG.Phrase("Previous")))##-->) . ' ';
    }
    $out .= tv_h(sprintf(<!--##=zvPhpStr(LANG.Phrase("PageOf"))##-->, $page, $pages));
    if ($page < $pages) {
        $out .= ' ' . $link($page + 1, <!--##=zvPhpStr(zvHtml(LANG.Phrase("Next")))##-->) . ' ' . $link($pages, <!--##=zvPhpStr(zvHtml(LANG.Phrase("Last")))##-->);
    }
    return $out . '</div>';
}

// Stops the page with an HTTP error and a short message.
function tv_fail(int $status, string $message): void
{
    http_response_code($status);
    echo '<!DOCTYPE html><html><head><meta charset="utf-8"><title>' . tv_h(TV_SITE_TITLE) . '</title></' . 'head><body><p>' . tv_h($message) . '</p><p><a href="' . tv_h(TV_DEFAULT_PAGE) . '">' . <!--##=zvPhpStr(zvHtml(LANG.Phrase("Home")))##--> . '</a></p></body></html>';
    exit;
}
