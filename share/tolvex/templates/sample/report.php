The report page of a report table: the records of its source, grouped by the fields with a
group level (FldGroupBy), with the totals its fields ask for (FldRptAggSum, FldRptAggAvg,
FldRptAggMin, FldRptAggMax) per group and for the whole report.

<!--##session report##-->
<?php
$tv_table = require __DIR__ . '/' . <!--##=zvPhpStr(tvPageName(TABLE, "info"))##-->;
<!--## zvPageTitle = TABLE.TblCaption ##-->
$tv_fields = tv_fields($tv_table, 'list');
$tv_groups = array_filter($tv_fields, fn(array $f): bool => $f['group'] > 0);
uasort($tv_groups, fn(array $a, array $b): int => $a['group'] <=> $b['group']);
$tv_columns = array_diff_key($tv_fields, $tv_groups);
$tv_order = implode(', ', array_map(fn(array $f): string => $f['col'] . ' ASC', $tv_groups));
// Within a group: the report's sort order, else the order of the first column.
$tv_within = $tv_table['order'] !== '' ? $tv_table['order'] : ($tv_columns !== [] ? reset($tv_columns)['col'] . ' ASC' : '');
if ($tv_within !== '') {
    $tv_order .= ($tv_order !== '' ? ', ' : '') . $tv_within;
}
$tv_order = tv_stable_order($tv_table, $tv_order);
$tv_rows = tv_query('SELECT ' . tv_columns($tv_fields) . ' FROM ' . $tv_table['from']
    . ($tv_table['filter'] !== '' ? ' WHERE (' . $tv_table['filter'] . ')' : '')
    . ($tv_order !== '' ? ' ORDER BY ' . $tv_order : '') . ' LIMIT 10000');

// Totals of one group (or of the report): per field and kind, and the number of records.
function tv_totals_new(): array
{
    return ['count' => 0, 'sum' => [], 'n' => [], 'min' => [], 'max' => []];
}

function tv_totals_add(array &$t, array $columns, array $row): void
{
    $t['count']++;
    foreach ($columns as $name => $f) {
        $v = $row[$name] ?? null;
        if ($f['agg'] === [] || $v === null || !is_numeric($v)) {
            continue;
        }
        $v = (float)$v;
        $t['sum'][$name] = ($t['sum'][$name] ?? 0.0) + $v;
        $t['n'][$name] = ($t['n'][$name] ?? 0) + 1;
        $t['min'][$name] = isset($t['min'][$name]) ? min($t['min'][$name], $v) : $v;
        $t['max'][$name] = isset($t['max'][$name]) ? max($t['max'][$name], $v) : $v;
    }
}

// The rows of totals: one per kind of total that some column asks for.
function tv_totals_rows(array $t, array $columns, string $label, string $class): string
{
    $kinds = ['sum' => <!--##=tvPhpStr(LANG.Phrase("Sum"))##-->, 'avg' => <!--##=tvPhpStr(LANG.Phrase("Avg"))##-->,
        'min' => <!--##=tvPhpStr(LANG.Phrase("Min"))##-->, 'max' => <!--##=tvPhpStr(LANG.Phrase("Max"))##-->];
    $out = '';
    foreach ($kinds as $kind => $kindText) {
        $used = array_filter($columns, fn(array $f): bool => in_array($kind, $f['agg'], true));
        if ($used === []) {
            continue;
        }
        // The label spans the columns before the first total; a total in the first column
        // gets the label in a row of its own.
        $names = array_keys($columns);
        $first = array_search(array_key_first($used), $names, true);
        $text = tv_h($label . ' - ' . $kindText . ' (' . $t['count'] . ')');
        if ($first === 0) {
            $out .= '<tr class="' . $class . '"><th colspan="' . count($names) . '">' . $text . '</th></tr>';
            $out .= '<tr class="' . $class . '" data-total="' . $kind . '">';
        } else {
            $out .= '<tr class="' . $class . '" data-total="' . $kind . '"><th colspan="' . $first . '">' . $text . '</th>';
        }
        foreach (array_slice($names, (int)$first) as $name) {
            $f = $columns[$name];
            if (!isset($used[$name]) || !isset($t['sum'][$name])) {
                $out .= '<td></td>';
                continue;
            }
            $v = match ($kind) {
                'sum' => $t['sum'][$name],
                'avg' => $t['sum'][$name] / max(1, $t['n'][$name]),
                'min' => $t['min'][$name],
                'max' => $t['max'][$name],
            };
            $shown = $f['format'] !== '' ? tv_format_number($f, (string)$v) : number_format($v, 2);
            $out .= '<td class="tv-number">' . tv_h($shown) . '</td>';
        }
        $out .= '</tr>' . "\n";
    }
    return $out;
}

// The report as table rows: group headings, records and totals.
$tv_body = '';
$tv_grand = tv_totals_new();
$tv_open = [];
$tv_levels = array_keys($tv_groups);
$tv_close = function (int $from) use (&$tv_open, &$tv_body, $tv_levels, $tv_groups, $tv_columns): void {
    for ($i = count($tv_open) - 1; $i >= $from; $i--) {
        $f = $tv_groups[$tv_levels[$i]];
        $tv_body .= tv_totals_rows($tv_open[$i]['totals'], $tv_columns,
            <!--##=tvPhpStr(LANG.Phrase("GroupTotal"))##--> . ' ' . tv_text($f, $tv_open[$i]['value']), 'tv-group-total tv-group-total-' . ($i + 1));
        array_pop($tv_open);
    }
};
foreach ($tv_rows as $tv_row) {
    foreach ($tv_levels as $tv_i => $tv_name) {
        if (isset($tv_open[$tv_i]) && $tv_open[$tv_i]['value'] === $tv_row[$tv_name]) {
            continue;
        }
        $tv_close($tv_i);
        $tv_open[$tv_i] = ['value' => $tv_row[$tv_name], 'totals' => tv_totals_new()];
        $tv_body .= '<tr class="tv-group tv-group-' . ($tv_i + 1) . '"><th colspan="' . max(1, count($tv_columns)) . '">'
            . tv_h($tv_groups[$tv_name]['caption']) . ': ' . tv_display($tv_groups[$tv_name], $tv_row[$tv_name]) . '</th></tr>' . "\n";
    }
    foreach ($tv_open as &$tv_g) {
        tv_totals_add($tv_g['totals'], $tv_columns, $tv_row);
    }
    unset($tv_g);
    tv_totals_add($tv_grand, $tv_columns, $tv_row);
    if ($tv_table['showDetails']) {
        $tv_body .= '<tr class="tv-detail">';
        foreach ($tv_columns as $tv_name => $tv_f) {
            $tv_body .= '<td' . tv_cell($tv_f) . '>' . tv_display($tv_f, $tv_row[$tv_name] ?? null) . '</td>';
        }
        $tv_body .= '</tr>' . "\n";
    }
}
$tv_close(0);
if ($tv_table['showGrandTotal'] && $tv_rows !== []) {
    $tv_body .= tv_totals_rows($tv_grand, $tv_columns, <!--##=tvPhpStr(LANG.Phrase("GrandTotal"))##-->, 'tv-grand-total');
}
?>
<!--##include shared.php/header##-->
<h1><!--##=tvHtml(TABLE.TblCaption)##--></h1>
<?php if ($tv_rows === []): ?>
<p class="tv-empty"><!--##@NoRecords##--></p>
<?php else: ?>
<div class="tv-scroll">
<table class="tv-grid tv-report">
<thead><tr>
<?php foreach ($tv_columns as $tv_f): ?><th<?php echo tv_cell($tv_f); ?>><?php echo tv_h($tv_f['caption']); ?></th><?php endforeach; ?>
</tr></thead>
<tbody>
<?php echo $tv_body; ?>
</tbody>
</table>
</div>
<?php endif; ?>
<!--##include shared.php/footer##-->
<!--##/session##-->
