<?php
// Crawls the generated sample site the way a visitor uses it and checks what each kind of
// page shows. Usage: php crawl.php <base URL>. Exit status 0 when every check passed.
declare(strict_types=1);

const MAX_REQUESTS = 400;
const MAX_SECONDS = 120;

$base = rtrim($argv[1] ?? '', '/') . '/';
$started = time();
$requests = 0;
$failures = [];
$cookies = [];

function fail(string $what): void
{
    global $failures;
    $failures[] = $what;
    fwrite(STDERR, "FAIL: $what\n");
}

function check(bool $ok, string $what): void
{
    if (!$ok) {
        fail($what);
    }
}

// One request, with the cookies of the session; [status, headers, body]. Redirects are
// not followed.
function request(string $path, ?array $post = null): array
{
    global $base, $requests, $cookies, $started;
    if (++$requests > MAX_REQUESTS || time() - $started > MAX_SECONDS) {
        fail("request budget spent before $path");
        finish();
    }
    $headers = [];
    if ($cookies !== []) {
        $headers[] = 'Cookie: ' . implode('; ', array_map(fn($k, $v) => "$k=$v", array_keys($cookies), $cookies));
    }
    $opts = ['method' => 'GET', 'ignore_errors' => true, 'follow_location' => 0, 'timeout' => 30];
    if ($post !== null) {
        $opts['method'] = 'POST';
        $opts['content'] = http_build_query($post);
        $headers[] = 'Content-Type: application/x-www-form-urlencoded';
    }
    $opts['header'] = implode("\r\n", $headers);
    $body = @file_get_contents($base . $path, false, stream_context_create(['http' => $opts]));
    $raw = $http_response_header ?? [];
    $status = 0;
    $out = [];
    foreach ($raw as $line) {
        if (preg_match('#^HTTP/\S+ (\d+)#', $line, $m)) {
            $status = (int)$m[1];
            $out = [];
        } elseif (str_contains($line, ':')) {
            [$k, $v] = explode(':', $line, 2);
            $out[strtolower(trim($k))][] = trim($v);
        }
    }
    foreach ($out['set-cookie'] ?? [] as $c) {
        if (preg_match('/^([^=;]+)=([^;]*)/', $c, $m)) {
            $cookies[$m[1]] = $m[2];
        }
    }
    return [$status, $out, $body === false ? '' : $body];
}

function header_of(array $headers, string $name): string
{
    return $headers[strtolower($name)][0] ?? '';
}

function csrf(string $html): string
{
    return preg_match('/name="tv_csrf" value="([0-9a-f]+)"/', $html, $m) ? $m[1] : '';
}

// The text of the table rows of a page, one line per row, tags removed.
function rows_text(string $html): array
{
    preg_match_all('#<tr[^>]*>(.*?)</tr>#s', $html, $m);
    return array_map(fn($r) => trim(preg_replace('/\s+/', ' ', html_entity_decode(strip_tags(str_replace('</t', ' </t', $r))))), $m[1]);
}

// What the style sheets give a property of a cell of a report table, as a browser works it
// out for the simple selectors these sheets use ("table.tv-grid th", "table.tv-report tr.C td",
// "table.tv-report thead th"): the matching rule of the heaviest selector wins, the later one of equals.
// $row is the class attribute of the cell's row, or "thead" for the column headings.
function report_cell_style(string $css, string $property, string $row, string $cell): string
{
    $css = preg_replace('#/\*.*?\*/#s', '', $css);
    preg_match_all('#([^{}]+)\{([^{}]*)\}#', $css, $rules, PREG_SET_ORDER);
    $targets = ["table.tv-grid $cell"];
    if ($row === 'thead') {
        $targets[] = "table.tv-report thead $cell";
    } else {
        foreach (preg_split('/\s+/', trim($row)) as $class) {
            $targets[] = "table.tv-report tr.$class $cell";
        }
    }
    $value = '';
    $best = 0;
    foreach ($rules as [, $selectors, $body]) {
        if (!preg_match('/(?:^|;)\s*' . preg_quote($property, '/') . '\s*:\s*([^;]+)/', $body, $m)) {
            continue;
        }
        foreach (explode(',', $selectors) as $sel) {
            $sel = preg_replace('/\s+/', ' ', trim($sel));
            // The weight of a selector: its classes count before its element names.
            $weight = 100 * substr_count($sel, '.') + substr_count($sel, ' ') + 1;
            if (in_array($sel, $targets, true) && $weight >= $best) {
                [$best, $value] = [$weight, trim($m[1])];
            }
        }
    }
    return $value;
}

function finish(): never
{
    global $failures, $requests;
    echo "$requests requests, " . count($failures) . " failures\n";
    exit($failures === [] ? 0 : 1);
}

// --- Login required and working -----------------------------------------------------
[$s, $h] = request('index.php');
check($s === 302 && str_starts_with(header_of($h, 'Location'), 'login.php'), "index.php without a login redirects to login.php (status $s)");
[$s, $h, $body] = request('login.php');
check($s === 200 && str_contains($body, 'name="password"'), 'login.php shows the login form');
[$s, $h, $body] = request('login.php', ['tv_csrf' => csrf($body), 'username' => 'demo', 'password' => 'wrong', 'return' => 'index.php']);
check($s === 200 && str_contains($body, 'The user name or the password is not right.'), 'a wrong password is refused');
[$s, $h] = request('productslist.php');
check($s === 302, 'still no access after a refused login');
[$s, $h, $body] = request('login.php');
[$s, $h] = request('login.php', ['tv_csrf' => csrf($body), 'username' => 'demo', 'password' => 'demo', 'return' => 'productslist.php']);
check($s === 302 && header_of($h, 'Location') === 'productslist.php', "the right password logs in and returns to the page asked for (status $s)");

// --- Every link from the index answers 200 --------------------------------------------
$queue = ['index.php'];
$seen = ['index.php' => true];
$pages = [];
while ($queue !== []) {
    $path = array_shift($queue);
    [$s, $h, $body] = request($path);
    $pages[$path] = $body;
    check($s === 200, "$path answers 200 (got $s)");
    if (!str_contains(header_of($h, 'Content-Type'), 'text/html')) {
        continue;
    }
    check(str_contains(header_of($h, 'Content-Type'), 'charset=utf-8') && str_contains($body, '<meta charset="utf-8">'), "$path declares its charset");
    preg_match_all('/(?:href|src)="([^"#]*)"/', $body, $m);
    foreach ($m[1] as $link) {
        $link = html_entity_decode($link);
        if ($link === '' || str_contains($link, '://') || str_starts_with($link, '/') || str_starts_with($link, 'logout')) {
            continue;
        }
        if (str_starts_with($link, '?')) {
            $link = strtok($path, '?') . $link;
        }
        if (!isset($seen[$link])) {
            $seen[$link] = true;
            $queue[] = $link;
        }
    }
}
check(count($pages) >= 40, 'the crawl reached the pages of every table (' . count($pages) . ' pages)');
foreach (['customerslist.php', 'orderslist.php', 'order_itemslist.php', 'order_totalslist.php', 'productslist.php',
          'product_saleslist.php', 'product_saleschart.php', 'orders_by_statusreport.php', 'ordersview.php?order_id=1'] as $p) {
    check(isset($pages[$p]), "the crawl reached $p");
}
$index = $pages['index.php'];
check((bool)preg_match('#<span>Reports</span><ul><li><a href="orders_by_statusreport.php">Orders by Status</a>#', $index), 'the menu holds the report below the heading "Reports"');

// --- A report with groups and totals ----------------------------------------------------
$report = $pages['orders_by_statusreport.php'] ?? '';
$rows = rows_text($report);
$want = ['Status: paid', 'Total paid - Sum (3) 186.90', 'Total paid - Average (3) 62.30', 'Total new - Sum (2) 55.70',
    'Total shipped - Sum (2) 70.40', 'Grand total - Sum (7) 313.00', 'Grand total - Average (7) 44.71'];
foreach ($want as $w) {
    check(in_array($w, $rows, true), "the report shows the row \"$w\"");
}
// Within a status, a group per customer, with its own totals.
$paid = array_slice($rows, (int)array_search('Status: paid', $rows, true), 14);
check($paid === ['Status: paid', 'Customer: Ada Lindqvist', '7 2026/07/15 102.90', 'Total Ada Lindqvist - Sum (1) 102.90',
    'Total Ada Lindqvist - Average (1) 102.90', 'Customer: Bruno Okafor', '2 2026/05/17 39.00', 'Total Bruno Okafor - Sum (1) 39.00',
    'Total Bruno Okafor - Average (1) 39.00', 'Customer: Chen Wei', '5 2026/06/20 45.00', 'Total Chen Wei - Sum (1) 45.00',
    'Total Chen Wei - Average (1) 45.00', 'Total paid - Sum (3) 186.90'], 'the paid orders, grouped by customer: ' . json_encode($paid));
check(preg_match_all('#<tr class="tv-group tv-group-1"><th[^>]*>Status: #', $report) === 3
    && preg_match_all('#<tr class="tv-group tv-group-2"><th[^>]*>Customer: #', $report) === 7
    && preg_match_all('#<tr class="tv-group-total tv-group-total-2"[^>]*><th[^>]*>Total [A-Z][a-z]+ #', $report) === 14,
    'the rows of each group level carry the class of their level');

// Each kind of report row in the colours of the project (its report colours, a level of
// groups each; the sample's differ from the installed defaults), with the text readable.
preg_match_all('#<link rel="stylesheet" href="([^"]+)">#', $report, $m);
$css = implode("\n", array_map(fn($href) => $pages[html_entity_decode($href)] ?? '', $m[1]));
check(count($m[1]) === 2 && !str_contains($css, '<!--##'), 'the report page links the site\'s two style sheets: ' . implode(', ', $m[1]));
$cases = [
    // row (class attribute, or thead), cell, background, what, a row of the sample's report
    ['thead', 'th', '#1F618D', 'the column headings (RptColColor)', true],
    ['tv-group tv-group-1', 'th', '#D4E6F1', 'the heading of a status (RptGrpColor1)', true],
    ['tv-group tv-group-2', 'th', '#E8F8F5', 'the heading of a customer within a status (RptGrpColor2)', true],
    ['tv-group-total tv-group-total-1', 'td', '#A9CCE3', 'the totals of a status (RptGrpSummaryColor1)', true],
    ['tv-group-total tv-group-total-2', 'th', '#A2D9CE', 'the totals of a customer (RptGrpSummaryColor2)', true],
    ['tv-grand-total', 'td', '#AEB6BF', 'the grand total (RptGrandTotalColor)', true],
    // Levels below the fourth keep the fourth level's colours.
    ['tv-group tv-group-4', 'th', '#F5EEF8', 'the heading of a fourth level (RptGrpColor4)', false],
    ['tv-group tv-group-6', 'th', '#F5EEF8', 'the heading of a sixth level', false],
    ['tv-group-total tv-group-total-5', 'td', '#D2B4DE', 'the totals of a fifth level (RptGrpSummaryColor4)', false],
];
foreach ($cases as [$row, $cell, $background, $what, $shown]) {
    if ($shown) {
        check($row === 'thead' ? str_contains($report, '<thead>') : str_contains($report, '<tr class="' . $row . '"'), "the report has the row of $what");
    }
    $got = report_cell_style($css, 'background-color', $row, $cell);
    check($got === $background, "the background of $what is $background, not \"$got\"");
    if ($row !== 'thead') {
        $text = report_cell_style($css, 'color', $row, $cell);
        check($text === '#222222', "the text of $what is in the body's text colour, not \"$text\"");
    }
}

// --- A chart drawn as SVG with its trend line and zone ------------------------------------
$chart = $pages['product_saleschart.php'] ?? '';
check(str_contains($chart, '<svg') && substr_count($chart, 'class="tv-bar"') === 4, 'the chart has a bar per product');
check((bool)preg_match('#<line class="tv-trend"[^>]*stroke="\#C0392B"[^>]*><title>Target 50</title></line>#', $chart), 'the chart draws the trend line "Target"');
check(str_contains($chart, 'class="tv-trend-zone"') && !str_contains($chart, 'Old target'), 'the chart draws the shown zone and not the hidden line');
check(!preg_match('#<script|src="https?:#', $chart), 'the chart page loads nothing from outside the site');

// --- Detail records of a master/detail relation ----------------------------------------
$view = $pages['ordersview.php?order_id=1'] ?? '';
check(str_contains($view, '<h2>Order Items</h2>'), 'the order shows its items');
$rows = rows_text(substr($view, (int)strpos($view, 'tv-details')));
check(count(array_filter($rows, fn($r) => str_contains($r, 'Notebook A5') || str_contains($r, 'Fountain pen'))) === 2 && count($rows) === 3,
    'the order lists its two items only: ' . implode(' | ', $rows));
[$s] = request('ordersview.php?order_id=999');
check($s === 404, "a missing record answers 404 (got $s)");

// --- Searches with operators, by displayed value, and predefined filters -------------------
$names = function (string $path, int $column) {
    [$s, , $body] = request($path);
    check($s === 200, "$path answers 200");
    preg_match_all('#<tr class="tv-row-(?:odd|even)">(.*?)</tr>#s', $body, $m);
    return array_map(function ($r) use ($column) {
        preg_match_all('#<td[^>]*>(.*?)</td>#s', $r, $c);
        return html_entity_decode(trim(strip_tags($c[1][$column] ?? '')));
    }, $m[1]);
};
$cases = [
    ['productslist.php?s_price=5&t_price=30', 1, ['Fountain pen'], 'price between 5 and 30'],
    ['productslist.php?' . http_build_query(['o_name' => 'NOT LIKE', 's_name' => 'clip']), 1, ['Desk lamp', 'Fountain pen', 'Notebook A5'], 'a name that does not contain "clip"'],
    ['customerslist.php?' . http_build_query(['o_city' => 'STARTS WITH', 's_city' => 'C']), 1, ['Chen Wei', "Dolores O'Neill"], 'a city that starts with "C"'],
    ['customerslist.php?s_email=bruno', 1, ['Bruno Okafor'], 'an email that starts with "bruno"'],
    ['orderslist.php?s_customer_id=Bruno', 0, ['2', '6'], 'orders of a customer found by the name shown'],
    ['orderslist.php?q=Chen', 0, ['5'], 'the basic search by the name shown'],
    ['order_itemslist.php?s_quantity=5', 0, ['5', '6'], 'a quantity of at least 5 (orders)'],
    ['productslist.php?f_price=1', 1, ['Notebook A5', 'Paper clips (100)'], 'the filter "Under 5"'],
    ['orderslist.php?f_order_date=1', 0, ['1', '2'], 'the filter "Spring (March to May)"'],
];
foreach ($cases as [$path, $column, $expected, $what]) {
    $got = $names($path, $column);
    sort($got);
    check($got === $expected, "search: $what gives " . json_encode($expected) . ', got ' . json_encode($got));
}
check(str_contains($pages['productslist.php'], '<option value="1">Under 5</option>'), 'the price search offers the predefined filters');
check(str_contains($pages['customerslist.php'], '<option value="STARTS WITH">starts with</option>'), 'a user-chosen operator offers the operators of the type');

// --- CSV export where the table allows it ------------------------------------------------
[$s, $h, $csv] = request('orderslist.php?export=csv&o_status==&s_status=paid');
check(str_starts_with($csv, "\xEF\xBB\xBF"), 'the UTF-8 CSV starts with a byte-order mark');
$csv = substr($csv, 3);
$lines = array_values(array_filter(explode("\n", $csv)));
check($s === 200 && str_starts_with(header_of($h, 'Content-Type'), 'text/csv'), 'orders export as CSV');
$lines = array_map(fn($l) => str_getcsv($l, ',', '"', ''), $lines);
check(($lines[0] ?? []) === ['Order Id', 'Customer', 'Order Date', 'Status', 'Note'], 'the CSV starts with the captions: ' . json_encode($lines[0] ?? []));
check(array_slice($lines, 1) === [['2', 'Bruno Okafor', '2026/05/17', 'paid', 'Gift wrap'], ['5', 'Chen Wei', '2026/06/20', 'paid', ''],
    ['7', 'Ada Lindqvist', '2026/07/15', 'paid', 'Invoice by email']], 'the CSV holds the paid orders as the list shows them: ' . json_encode($lines));
[$s, $h] = request('productslist.php?export=csv');
check(!str_starts_with(header_of($h, 'Content-Type'), 'text/csv'), 'products do not export');
check(!str_contains($pages['productslist.php'], 'export=csv') && str_contains($pages['orderslist.php'], 'export=csv'), 'only the orders list offers the export');

// A cell that a spreadsheet would run as a formula is exported as text.
// (The form trims what is typed, so a leading tab or carriage return cannot be stored here.)
foreach (['=HYPERLINK("http://example.com/","x")', '+1+2', '-3+4', '@SUM(A1)', 'Call before delivery'] as $note) {
    [, , $form] = request('ordersedit.php?order_id=4');
    [$s] = request('ordersedit.php?order_id=4', ['tv_csrf' => csrf($form), 'customer_id' => '4', 'order_date' => '2026-06-03', 'status' => 'new', 'note' => $note]);
    [, , $csv] = request('orderslist.php?export=csv');
    $row = [];
    foreach (explode("\n", substr($csv, 3)) as $line) {
        $cells = str_getcsv($line, ',', '"', '');
        if (($cells[0] ?? '') === '4') {
            $row = $cells;
        }
    }
    $want = str_contains('=+-@', $note[0]) ? "'" . $note : $note;
    check($s === 302 && ($row[4] ?? '') === $want, 'the note ' . json_encode($note) . ' exports as ' . json_encode($want) . ', got ' . json_encode($row));
}

// --- Formats, alignment, captions, the extension's note -------------------------------------
$customers = $pages['customerslist.php'];
check(str_contains($customers, "City / Citt\u{e0}") && str_contains($customers, 'made with Tolvex'), 'a caption outside ASCII reaches the page in its charset');
check(str_contains($customers, '2026/01/05 09:30:00'), 'a date-time in the project\'s date format, whatever the field\'s own format');
check(str_contains($pages['orderslist.php'], '2026/05/02'), 'a date in the project\'s date format');
check(str_contains($pages['productslist.php'], '<td class="tv-number">24.90</td>'), 'numbers are right-aligned');
check(str_contains($pages['productslist.php'], '<p class="tv-note">Prices include VAT.</p>'), 'the list shows the extension\'s note of the table');
check(str_contains($pages['productslist.php'], '<td>Yes</td>') && str_contains($pages['productslist.php'], '<td>No</td>'), 'a Yes/No field shows Yes and No');

// --- Forms follow the fields' settings ------------------------------------------------------
[, , $form] = request('productsadd.php');
check((bool)preg_match('#<input type="number" name="price" value="" step="any" required>#', $form), 'price is a required number: ' . (preg_match('#<input[^>]*price[^>]*>#', $form, $m) ? $m[0] : ''));
check((bool)preg_match('#<input type="checkbox" name="in_stock" value="1" checked>#', $form), 'in stock is a check box, on by default');
[, , $form] = request('customersadd.php');
check((bool)preg_match('#<input type="email" name="email" value="" maxlength="150">#', $form), 'email is an e-mail field, not required');
check((bool)preg_match('#<input type="text" name="created_at" value="" placeholder="yyyy/mm/dd hh:mm:ss">#', $form), 'created at is a date-time in the project\'s format, not required (it has a default)');
[, , $form] = request('ordersadd.php');
check((bool)preg_match('#<input type="radio" name="status" value="new" checked#', $form), 'status starts at its default "new"');
check((bool)preg_match('#<input type="text" name="order_date" value="" placeholder="yyyy/mm/dd" required>#', $form), 'order date is a required date in the project\'s format');
$post = ['tv_csrf' => csrf($form), 'name' => 'Eve Duplicate', 'email' => 'ada@example.com', 'city' => 'Oslo', 'created_at' => ''];
[$s, , $body] = request('customersadd.php', $post);
check($s === 200 && (bool)preg_match('#name="email"[^>]*><div class="tv-field-error">Another record already has this value: Email</div>#', $body),
    'a unique-key violation is reported at its field');
$post['email'] = 'eve@example.com';
[$s, $h] = request('customersadd.php', $post);
check($s === 302, "a new customer without a date is added, the database filling in its default (status $s)");
$got = $names('customerslist.php?s_email=eve', 4);
check(count($got) === 1 && preg_match('#^20\d\d/\d\d/\d\d #', $got[0]) === 1, 'the new customer got the default date: ' . json_encode($got));

// An edit keeps what the form does not show and takes a date typed in the project's format.
[, , $form] = request('ordersedit.php?order_id=3');
check((bool)preg_match('#<input type="text" name="order_date" value="2026/06/01" placeholder="yyyy/mm/dd" required>#', $form), 'the edit form shows the order date in the project\'s format');
[$s] = request('ordersedit.php?order_id=3', ['tv_csrf' => csrf($form), 'customer_id' => '1', 'order_date' => '2026/06/02', 'status' => 'paid', 'note' => 'Changed']);
check($s === 302, "an order is saved (status $s)");
[, , $body] = request('ordersview.php?order_id=3');
check(str_contains($body, '2026/06/02') && str_contains($body, 'Changed'), 'the view shows the saved values');
$id = $names('customerslist.php?s_email=eve', 0)[0] ?? '';
[, , $form] = request('customersdelete.php?customer_id=' . $id);
[$s] = request('customersdelete.php?customer_id=' . $id, ['tv_csrf' => csrf($form), 'customer_id' => $id]);
check($s === 302 && $names('customerslist.php?s_email=eve', 0) === [], 'the new customer is deleted');

// --- What the site folder holds besides pages is not served --------------------------------
foreach (['common.php.bak', 'customerslist.php.bak', 'syscode.txt', 'validatecode.txt', '.htaccess', 'css/site.css.bak'] as $p) {
    [$s, , $body] = request($p);
    check($s === 403 && !str_contains($body, '<?php'), "$p is not served (status $s)");
}

// --- The session cookie ----------------------------------------------------------------
// A session id that the browser made up is not taken (strict mode): the server gives another.
$saved = $cookies;
$cookies = ['PHPSESSID' => 'madeupbytheattacker0123456789'];
[$s, $h] = request('login.php');
$set = implode("\n", $h['set-cookie'] ?? []);
check(preg_match('/PHPSESSID=([^;]+)/', $set, $m) === 1 && $m[1] !== 'madeupbytheattacker0123456789', 'a made-up session id is replaced: ' . $set);
check(stripos($set, 'HttpOnly') !== false && stripos($set, 'SameSite=Lax') !== false, 'the session cookie is HttpOnly and SameSite: ' . $set);
check(stripos($set, 'secure') === false, 'over plain HTTP the cookie is not Secure: ' . $set);
$cookies = $saved;

// --- Logout ------------------------------------------------------------------------------
request('logout.php');
[$s] = request('productslist.php');
check($s === 302, 'after the logout the pages ask for a login again');
finish();
