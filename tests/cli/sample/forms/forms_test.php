<?php
// Drives the add and edit forms and the lists of the site generated from forms_db.sql the
// way a browser does, and checks the rows in the database after each step.
// Usage: php forms_test.php <base URL>; the connection comes from TOLVEX_TEST_DB_SOCKET,
// TOLVEX_TEST_DB_USER and TOLVEX_TEST_DB_PASSWORD. Exit status 0 when every check passed.
declare(strict_types=1);

$base = rtrim($argv[1] ?? '', '/') . '/';
$failures = [];
$cookies = [];
$requests = 0;

function check(bool $ok, string $what): void
{
    global $failures;
    if (!$ok) {
        $failures[] = $what;
        fwrite(STDERR, "FAIL: $what\n");
    }
}

// One request with the session's cookies; $post is a list of [name, value] pairs, sent in
// their order as a browser sends a form. [status, Location, body]; redirects are not followed.
function request(string $path, ?array $post = null): array
{
    global $base, $cookies, $requests;
    $requests++;
    $headers = $cookies === [] ? [] : ['Cookie: ' . implode('; ', array_map(fn($k, $v) => "$k=$v", array_keys($cookies), $cookies))];
    $opts = ['method' => 'GET', 'ignore_errors' => true, 'follow_location' => 0, 'timeout' => 30];
    if ($post !== null) {
        $opts['method'] = 'POST';
        $opts['content'] = implode('&', array_map(fn(array $p) => rawurlencode($p[0]) . '=' . rawurlencode($p[1]), $post));
        $headers[] = 'Content-Type: application/x-www-form-urlencoded';
    }
    $opts['header'] = implode("\r\n", $headers);
    $body = @file_get_contents($base . $path, false, stream_context_create(['http' => $opts]));
    $status = 0;
    $location = '';
    foreach ($http_response_header ?? [] as $line) {
        if (preg_match('#^HTTP/\S+ (\d+)#', $line, $m)) {
            $status = (int)$m[1];
        } elseif (preg_match('/^Location:\s*(.*)$/i', $line, $m)) {
            $location = trim($m[1]);
        } elseif (preg_match('/^Set-Cookie:\s*([^=;]+)=([^;]*)/i', $line, $m)) {
            $cookies[$m[1]] = $m[2];
        }
    }
    return [$status, $location, $body === false ? '' : $body];
}

// What a browser sends for the form of a page as it stands: [name, value] pairs in order.
function form_pairs(string $html): array
{
    if (!preg_match('#<form class="tv-form".*?</form>#s', $html, $form)) {
        return [];
    }
    preg_match_all('#<(input|textarea|select)\b([^>]*)>(?:(.*?)</(?:textarea|select)>)?#s', $form[0], $tags, PREG_SET_ORDER);
    $pairs = [];
    foreach ($tags as $t) {
        $attr = fn(string $a): ?string => preg_match('/\b' . $a . '="([^"]*)"/', $t[2], $m) ? html_entity_decode($m[1], ENT_QUOTES) : null;
        $name = $attr('name');
        if ($name === null) {
            continue;
        }
        $type = $attr('type') ?? 'text';
        if ($t[1] === 'input' && in_array($type, ['checkbox', 'radio'], true) && !preg_match('/\bchecked\b/', $t[2])) {
            continue;
        }
        if ($t[1] === 'textarea') {
            // A browser drops the line break that follows the opening tag.
            $value = html_entity_decode(preg_replace('/^\r?\n/', '', $t[3] ?? ''), ENT_QUOTES);
        } elseif ($t[1] === 'select') {
            $value = preg_match('#<option value="([^"]*)" selected#', $t[3] ?? '', $m) ? html_entity_decode($m[1], ENT_QUOTES) : '';
        } else {
            $value = $attr('value') ?? '';
        }
        $pairs[] = [$name, $value];
    }
    return $pairs;
}

// The pairs with the value of a field changed (as typed or chosen); a list of check boxes
// takes the values ticked.
function with_value(array $pairs, string $name, string|array $value): array
{
    if (is_array($value)) {
        $pairs = array_values(array_filter($pairs, fn(array $p) => $p[0] !== $name . '[]' || $p[1] === ''));
        foreach ($value as $v) {
            $pairs[] = [$name . '[]', $v];
        }
        return $pairs;
    }
    foreach ($pairs as &$p) {
        if ($p[0] === $name) {
            $p[1] = $value;
        }
    }
    return $pairs;
}

function db(): mysqli
{
    static $db = null;
    if ($db === null) {
        mysqli_report(MYSQLI_REPORT_ERROR | MYSQLI_REPORT_STRICT);
        $db = new mysqli('localhost', getenv('TOLVEX_TEST_DB_USER'), getenv('TOLVEX_TEST_DB_PASSWORD'), 'tolvex_forms', 0, getenv('TOLVEX_TEST_DB_SOCKET'));
    }
    return $db;
}

function film(int $id): ?array
{
    return db()->query("SELECT * FROM film WHERE film_id = $id")->fetch_assoc();
}

function field_error(string $html, string $name): string
{
    return preg_match('#name="' . preg_quote($name, '#') . '(?:\[\])?"[^<]*(?:<[^d][^<]*)*<div class="tv-field-error">([^<]*)</div>#', $html, $m) ? html_entity_decode($m[1]) : '';
}

// --- Saving an edit form unchanged changes nothing; a change writes only itself -------------
$before = film(1);
[, , $form] = request('filmedit.php?film_id=1');
check(str_contains($form, 'name="last_update" value="2020/05/17 05:03:42"'), 'the edit form shows the time with its seconds, in the project\'s format');
check(str_contains($form, 'name="shown_on" value="2026/05/02"'), 'the edit form shows the date in the project\'s format, not in a browser\'s date box');
[$s, $loc] = request('filmedit.php?film_id=1', form_pairs($form));
check($s === 302 && str_starts_with($loc, 'filmlist.php'), "an unchanged edit form is saved (status $s)");
check(film(1) === $before, 'saving the form unchanged changes nothing in the row: ' . json_encode([$before, film(1)]));

[, , $form] = request('filmedit.php?film_id=1');
[$s] = request('filmedit.php?film_id=1', with_value(form_pairs($form), 'title', 'Academy Dinosaur II'));
$after = film(1);
check($s === 302 && $after['title'] === 'Academy Dinosaur II', "a changed title is saved (status $s)");
check($after['last_update'] !== $before['last_update'] && strtotime($after['last_update']) > time() - 600,
    'ON UPDATE CURRENT_TIMESTAMP moves the time of the change: ' . $after['last_update']);
unset($after['title'], $after['last_update'], $before['title'], $before['last_update']);
check($after === $before, 'the other columns keep their values: ' . json_encode($after));

// A date typed in the project's format is saved; the form shows it again as typed.
[, , $form] = request('filmedit.php?film_id=1');
[$s] = request('filmedit.php?film_id=1', with_value(form_pairs($form), 'shown_on', '2026/06/03'));
check($s === 302 && film(1)['shown_on'] === '2026-06-03', 'a date typed as yyyy/mm/dd is saved: ' . film(1)['shown_on']);
[, , $form] = request('filmedit.php?film_id=1');
check(str_contains($form, 'name="shown_on" value="2026/06/03"'), 'the saved date round-trips through the form');

// --- Values the columns cannot hold are refused at their field, the row kept ----------------
$kept = film(1);
foreach ([
    ['release_year', '1800', 'Please enter a value from 1901 to 2155 for Release Year'],
    ['rental_rate', '1000', 'Please enter a value from -999.99 to 999.99 for Rental Rate'],
    ['rental_rate', '3.456', 'Please enter at most 2 digits after the decimal point for Rental Rate'],
    ['rental_duration', '300', 'Please enter a value from 0 to 255 for Rental Duration'],
    ['special_features', ['Trailers', 'Bogus'], 'Please choose one of the values offered for Special Features'],
    ['shown_on', '2026/02/30', 'Please enter a valid date for Shown On'],
] as [$name, $value, $message]) {
    [, , $form] = request('filmedit.php?film_id=1');
    [$s, , $body] = request('filmedit.php?film_id=1', with_value(form_pairs($form), $name, $value));
    $got = field_error($body, $name);
    check($s === 200 && $got === $message, "$name = " . json_encode($value) . " is refused with \"$message\" (status $s, got \"$got\")");
    check(film(1) === $kept, "$name = " . json_encode($value) . ' leaves the row as it was');
}

// Values within the columns' limits are saved as typed.
[, , $form] = request('filmedit.php?film_id=1');
$pairs = with_value(with_value(with_value(form_pairs($form), 'rental_rate', '999.99'), 'release_year', '2155'), 'special_features', ['Commentaries']);
[$s] = request('filmedit.php?film_id=1', $pairs);
$row = film(1);
check($s === 302 && [$row['rental_rate'], $row['release_year'], $row['special_features']] === ['999.99', '2155', 'Commentaries'],
    'the largest values of the columns are saved: ' . json_encode($row));

// Cleared in an edit: a column that takes NULL becomes NULL, one that does not its default.
[, , $form] = request('filmedit.php?film_id=1');
[$s] = request('filmedit.php?film_id=1', with_value(with_value(form_pairs($form), 'language', ''), 'rental_rate', ''));
$row = film(1);
check($s === 302 && $row['language'] === null && $row['rental_rate'] === '4.99', 'cleared: language NULL, rental rate its default: ' . json_encode($row));

// --- The add form asks only for what the database cannot fill in -----------------------------
[, , $form] = request('filmadd.php');
check((bool)preg_match('#<input type="text" name="title"[^>]* required>#', $form), 'title (NOT NULL, no default) is required');
foreach (['rental_rate', 'rental_duration', 'last_update', 'language'] as $name) {
    check((bool)preg_match('#<input [^>]*name="' . $name . '"[^>]*>#', $form, $m) && !str_contains($m[0], 'required'), "$name has a default and is not required on add: " . ($m[0] ?? ''));
}
[$s] = request('filmadd.php', with_value(form_pairs($form), 'title', 'Added With Defaults'));
$row = db()->query("SELECT * FROM film WHERE title = 'Added With Defaults'")->fetch_assoc();
check($s === 302 && $row !== null, "a film with only its title is added (status $s)");
if ($row !== null) {
    check([$row['rental_rate'], $row['rental_duration'], $row['language'], $row['special_features'], $row['release_year']] === ['4.99', '3', 'English', null, null],
        'the new film has the database\'s defaults: ' . json_encode($row));
    check(strtotime($row['last_update']) > time() - 600, 'the new film\'s last update is the time it was added: ' . $row['last_update']);
}
[, , $form] = request('filmadd.php');
[$s, , $body] = request('filmadd.php', with_value(with_value(form_pairs($form), 'title', 'Bad Year'), 'release_year', '1800'));
check($s === 200 && field_error($body, 'release_year') === 'Please enter a value from 1901 to 2155 for Release Year'
    && db()->query("SELECT 1 FROM film WHERE title = 'Bad Year'")->num_rows === 0, 'the add form refuses a year out of range at its field');

// --- A table with a NOT NULL column that no page shows offers no add --------------------------
[, , $list] = request('storelist.php');
check(str_contains($list, 'Main Street') && !str_contains($list, 'storeadd.php'), 'the store list offers no add');
[$s, , $body] = request('storeadd.php');
check($s === 200 && str_contains($body, 'the table needs a value for location') && !str_contains($body, '<form class="tv-form"'),
    'the add page names the column that prevents it and shows no form');
[$s, , $body] = request('storeadd.php', [['tv_csrf', preg_match('/name="tv_csrf" value="([0-9a-f]+)"/', $form, $m) ? $m[1] : ''], ['name', 'Second']]);
check((int)db()->query('SELECT COUNT(*) FROM store')->fetch_row()[0] === 1, 'posting to it adds nothing');

// --- Lists page through every row once, whatever the sort ------------------------------------
// The first column of the rows of a list page.
$ids = function (string $html): array {
    preg_match_all('#<tr class="tv-row-[a-z]+">\s*<td[^>]*>([^<]*)</td>#', $html, $m);
    return $m[1];
};
foreach (['rentallist.php?sort=customer_id&dir=asc', 'rentallist.php?sort=amount&dir=desc', 'rental_viewlist.php?sort=customer_id&dir=asc',
          'rental_viewlist.php?sort=amount&dir=desc', 'rental_viewlist.php'] as $list) {
    $seen = [];
    for ($page = 1; $page <= 40; $page++) {
        [, , $body] = request($list . (str_contains($list, '?') ? '&' : '?') . 'page=' . $page);
        $seen = array_merge($seen, $ids($body));
        if (!str_contains($body, '>Next</a>')) {
            break;
        }
    }
    check(count($seen) === 300 && count(array_unique($seen)) === 300,
        "$list: its pages show every one of the 300 rows once (" . count($seen) . ' rows, ' . count(array_unique($seen)) . ' distinct)');
}

// --- Dates in the project's format on every page ------------------------------------------------
[, , $body] = request('rentallist.php');
check(str_contains($body, '<td>2026/03/01 11:37:00</td>'), 'the list shows a date-time in the project\'s format');
[, , $body] = request('rental_viewlist.php?sort=rental_id');
check(str_contains($body, '<td>2026/03/01 11:37:00</td>'), 'the view shows it in the project\'s format too, whatever the field\'s own format');
[, , $body] = request('filmview.php?film_id=2');
check(str_contains($body, '2020/02/15 05:03:07'), 'the view page shows the date-time with its seconds');
[, , $body] = request('rentallist.php?s_rental_date=2026/03/01');
check(!str_contains($body, 'tv-error') && str_contains($body, 'placeholder="yyyy/mm/dd"'), 'the search takes a date in the project\'s format');

echo "$requests requests, " . count($failures) . " failures\n";
exit($failures === [] ? 0 : 1);
