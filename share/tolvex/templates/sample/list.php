The list page of a table: the control puts together the sessions "code" and "body" of this
file with the header and footer sessions of shared.php.

<!--##session code##-->
<?php
$tv_table = require __DIR__ . '/' . <!--##=zvPhpStr(tvPageName(TABLE, "info"))##-->;
<!--## zvPageTitle = TABLE.TblCaption ##-->
$tv_fields = tv_fields($tv_table, 'list');
[$tv_sql_where, $tv_types, $tv_params, $tv_query, $tv_search_errors] = tv_search($tv_table);
$tv_sort = tv_param('sort') ?? '';
$tv_dir = strtolower(tv_param('dir') ?? '') === 'desc' ? 'DESC' : 'ASC';
// The sort column is one of the listed fields, chosen by name; its SQL comes from the settings.
$tv_order = $tv_table['order'];
if ($tv_sort !== '' && isset($tv_fields[$tv_sort])) {
    $tv_order = $tv_fields[$tv_sort]['col'] . ' ' . $tv_dir;
} else {
    $tv_sort = '';
}
$tv_order = tv_stable_order($tv_table, $tv_order);
if ($tv_table['exportCsv'] && tv_param('export') === 'csv') {
    // The records of the search as CSV, in the listed columns, as the list shows them.
    $tv_rows = tv_query('SELECT ' . tv_columns($tv_table['fields']) . ' FROM ' . $tv_table['from'] . $tv_sql_where
        . ($tv_order !== '' ? ' ORDER BY ' . $tv_order : ''), $tv_types, $tv_params);
    while (ob_get_level() > 0) {
        ob_end_clean();
    }
    header('Content-Type: text/csv; charset=' . TV_CHARSET);
    header('Content-Disposition: attachment; filename="' . $tv_table['name'] . '.csv"');
    $tv_out = fopen('php://output', 'w');
    if (strtolower(TV_CHARSET) === 'utf-8') {
        fwrite($tv_out, "\xEF\xBB\xBF");  // so that a spreadsheet reads the file as UTF-8
    }
    fputcsv($tv_out, array_map(fn(array $f): string => tv_csv_cell($f['caption']), array_values($tv_fields)), ',', '"', '');
    foreach ($tv_rows as $tv_row) {
        $tv_line = [];
        foreach ($tv_fields as $tv_name => $tv_f) {
            $tv_line[] = $tv_f['number'] && $tv_f['options'] === [] && $tv_f['lookup'] === '' ? (string)($tv_row[$tv_name] ?? '') : tv_csv_cell(tv_text($tv_f, $tv_row[$tv_name] ?? null));
        }
        fputcsv($tv_out, $tv_line, ',', '"', '');
    }
    fclose($tv_out);
    exit;
}
$tv_count = tv_query('SELECT COUNT(*) AS n FROM ' . $tv_table['from'] . $tv_sql_where, $tv_types, $tv_params);
$tv_total = (int)($tv_count[0]['n'] ?? 0);
$tv_per_page = $tv_table['perPage'];
$tv_pages = max(1, (int)ceil($tv_total / $tv_per_page));
$tv_page = min(max(1, (int)(tv_param('page') ?? '1')), $tv_pages);
$tv_sql = 'SELECT ' . tv_columns($tv_table['fields']) . ' FROM ' . $tv_table['from'] . $tv_sql_where
    . ($tv_order !== '' ? ' ORDER BY ' . $tv_order : '') . ' LIMIT ? OFFSET ?';
$tv_rows = tv_query($tv_sql, $tv_types . 'ii', array_merge($tv_params, [$tv_per_page, ($tv_page - 1) * $tv_per_page]));
$tv_state = $tv_query + array_filter(['sort' => $tv_sort, 'dir' => $tv_sort === '' ? '' : strtolower($tv_dir)], fn($v) => $v !== '');
$tv_links = $tv_table['key'] !== [] && ($tv_table['pages']['view'] . $tv_table['pages']['edit'] . $tv_table['pages']['delete']) !== '';
?>
<!--##/session##-->

<!--##session body##-->
<h1><!--##=tvHtml(TABLE.TblCaption)##--></h1>
<?php if ($tv_table['note'] !== ''): ?>
<p class="tv-note"><?php echo tv_h($tv_table['note']); ?></p>
<?php endif; ?>
<?php echo tv_search_form($tv_table, $tv_query); ?>
<?php foreach ($tv_search_errors as $tv_e): ?>
<p class="tv-error"><?php echo tv_h($tv_e); ?></p>
<?php endforeach; ?>
<p class="tv-links">
<?php if ($tv_table['pages']['add'] !== '' && tv_add_blockers($tv_table) === []): ?><a class="tv-add" href="<?php echo tv_h($tv_table['pages']['add']); ?>"><!--##@AddRecord##--></a> <?php endif; ?>
<?php if ($tv_table['pages']['chart'] !== ''): ?><a class="tv-chart-link" href="<?php echo tv_h($tv_table['pages']['chart']); ?>"><!--##@Charts##--></a> <?php endif; ?>
<?php if ($tv_table['exportCsv']): ?><a class="tv-export" href="?<?php echo tv_h(http_build_query($tv_state + ['export' => 'csv'])); ?>"><!--##@ExportCsv##--></a><?php endif; ?>
</p>
<?php if ($tv_rows === []): ?>
<p class="tv-empty"><!--##@NoRecords##--></p>
<?php else: ?>
<div class="tv-scroll">
<table class="tv-grid">
<thead>
<tr>
<?php foreach ($tv_fields as $tv_name => $tv_f):
    $tv_q = $tv_state;
    $tv_q['sort'] = (string)$tv_name;
    $tv_q['dir'] = ($tv_sort === (string)$tv_name && $tv_dir === 'ASC') ? 'desc' : 'asc'; ?>
<th<?php echo tv_cell($tv_f); ?>><a href="?<?php echo tv_h(http_build_query($tv_q)); ?>"><?php echo tv_h($tv_f['caption']); ?></a></th>
<?php endforeach; ?>
<?php if ($tv_links): ?><th></th><?php endif; ?>
</tr>
</thead>
<tbody>
<?php foreach ($tv_rows as $tv_i => $tv_row): ?>
<tr class="<?php echo $tv_i % 2 === 0 ? 'tv-row-odd' : 'tv-row-even'; ?>">
<?php foreach ($tv_fields as $tv_name => $tv_f): ?>
<td<?php echo tv_cell($tv_f); ?>><?php echo tv_display($tv_f, $tv_row[$tv_name] ?? null); ?></td>
<?php endforeach; ?>
<?php if ($tv_links): $tv_k = tv_key_query($tv_table, $tv_row); ?>
<td class="tv-actions">
<?php if ($tv_table['pages']['view'] !== ''): ?><a href="<?php echo tv_h($tv_table['pages']['view'] . '?' . $tv_k); ?>"><!--##@View##--></a> <?php endif; ?>
<?php if ($tv_table['pages']['edit'] !== ''): ?><a href="<?php echo tv_h($tv_table['pages']['edit'] . '?' . $tv_k); ?>"><!--##@Edit##--></a> <?php endif; ?>
<?php if ($tv_table['pages']['delete'] !== ''): ?><a href="<?php echo tv_h($tv_table['pages']['delete'] . '?' . $tv_k); ?>"><!--##@Delete##--></a><?php endif; ?>
</td>
<?php endif; ?>
</tr>
<?php endforeach; ?>
</tbody>
</table>
</div>
<p class="tv-count"><?php echo tv_h(sprintf(<!--##=tvPhpStr(LANG.Phrase("RecordsOf"))##-->, ($tv_page - 1) * $tv_per_page + 1, ($tv_page - 1) * $tv_per_page + count($tv_rows), $tv_total)); ?></p>
<?php echo tv_pager($tv_page, $tv_pages, $tv_state); ?>
<?php endif; ?>
<!--##/session##-->
