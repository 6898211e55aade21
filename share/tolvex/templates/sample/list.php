The list page of a table: the control puts together the sessions "code" and "body" of this
file with the header and footer sessions of shared.php.

<!--##session code##-->
<?php
require_once __DIR__ . '/<!--##=tvPageName(TABLE, "info")##-->';
<!--## zvPageTitle = TABLE.TblCaption ##-->
$tv_fields = tv_fields($tv_table, 'list');
$tv_search = $tv_table['search'] ? trim(tv_param('q') ?? '') : '';
$tv_sort = tv_param('sort') ?? '';
$tv_dir = strtolower(tv_param('dir') ?? '') === 'desc' ? 'DESC' : 'ASC';
$tv_where = [];
$tv_types = '';
$tv_params = [];
if ($tv_table['filter'] !== '') {
    $tv_where[] = '(' . $tv_table['filter'] . ')';
}
if ($tv_search !== '') {
    $tv_or = [];
    $tv_like = '%' . addcslashes($tv_search, '\\%_') . '%';
    foreach ($tv_table['fields'] as $tv_f) {
        if (!$tv_f['search']) {
            continue;
        }
        if ($tv_f['srchopr'] === 'LIKE') {
            $tv_or[] = $tv_f['col'] . ' LIKE ?';
            $tv_params[] = $tv_like;
        } else {
            $tv_or[] = $tv_f['col'] . ' = ?';
            $tv_params[] = $tv_search;
        }
        $tv_types .= 's';
    }
    if ($tv_or !== []) {
        $tv_where[] = '(' . implode(' OR ', $tv_or) . ')';
    }
}
$tv_sql_where = $tv_where === [] ? '' : ' WHERE ' . implode(' AND ', $tv_where);
// The sort column is one of the listed fields, chosen by name; its SQL comes from the settings.
$tv_order = $tv_table['order'];
if ($tv_sort !== '' && isset($tv_fields[$tv_sort])) {
    $tv_order = $tv_fields[$tv_sort]['col'] . ' ' . $tv_dir;
} else {
    $tv_sort = '';
}
$tv_count = tv_query('SELECT COUNT(*) AS n FROM ' . $tv_table['from'] . $tv_sql_where, $tv_types, $tv_params);
$tv_total = (int)($tv_count[0]['n'] ?? 0);
$tv_per_page = $tv_table['perPage'];
$tv_pages = max(1, (int)ceil($tv_total / $tv_per_page));
$tv_page = min(max(1, (int)(tv_param('page') ?? '1')), $tv_pages);
$tv_sql = 'SELECT ' . tv_columns($tv_table['fields']) . ' FROM ' . $tv_table['from'] . $tv_sql_where
    . ($tv_order !== '' ? ' ORDER BY ' . $tv_order : '') . ' LIMIT ? OFFSET ?';
$tv_rows = tv_query($tv_sql, $tv_types . 'ii', array_merge($tv_params, [$tv_per_page, ($tv_page - 1) * $tv_per_page]));
$tv_query = array_filter(['q' => $tv_search, 'sort' => $tv_sort, 'dir' => $tv_sort === '' ? '' : strtolower($tv_dir)], fn($v) => $v !== '');
$tv_links = $tv_table['key'] !== [] && ($tv_table['pages']['view'] . $tv_table['pages']['edit'] . $tv_table['pages']['delete']) !== '';
?>
<!--##/session##-->

<!--##session body##-->
<h1><!--##=zvHtml(TABLE.TblCaption)##--></h1>
<?php if ($tv_table['search']): ?>
<form class="tv-search" method="get" action="">
<input type="text" name="q" value="<?php echo tv_h($tv_search); ?>">
<button type="submit"><!--##@Search##--></button>
<?php if ($tv_search !== ''): ?> <a href="?"><!--##@ShowAll##--></a><?php endif; ?>
</form>
<?php endif; ?>
<?php if ($tv_table['pages']['add'] !== ''): ?>
<p><a class="tv-add" href="<?php echo tv_h($tv_table['pages']['add']); ?>"><!--##@AddRecord##--></a></p>
<?php endif; ?>
<?php if ($tv_rows === []): ?>
<p class="tv-empty"><!--##@NoRecords##--></p>
<?php else: ?>
<table class="tv-grid">
<thead>
<tr>
<?php foreach ($tv_fields as $tv_name => $tv_f):
    $tv_q = $tv_query;
    unset($tv_q['page']);
    $tv_q['sort'] = (string)$tv_name;
    $tv_q['dir'] = ($tv_sort === (string)$tv_name && $tv_dir === 'ASC') ? 'desc' : 'asc'; ?>
<th><a href="?<?php echo tv_h(http_build_query($tv_q)); ?>"><?php echo tv_h($tv_f['caption']); ?></a></th>
<?php endforeach; ?>
<?php if ($tv_links): ?><th></th><?php endif; ?>
</tr>
</thead>
<tbody>
<?php foreach ($tv_rows as $tv_i => $tv_row): ?>
<tr class="<?php echo $tv_i % 2 === 0 ? 'tv-row-odd' : 'tv-row-even'; ?>">
<?php foreach ($tv_fields as $tv_name => $tv_f): ?>
<td><?php echo tv_display($tv_f, $tv_row[$tv_name] ?? null); ?></td>
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
<p class="tv-count"><?php echo tv_h(sprintf(<!--##=zvPhpStr(LANG.Phrase("RecordsOf"))##-->, ($tv_page - 1) * $tv_per_page + 1, ($tv_page - 1) * $tv_per_page + count($tv_rows), $tv_total)); ?></p>
<?php echo tv_pager($tv_page, $tv_pages, $tv_query); ?>
<?php endif; ?>
<!--##/session##-->
