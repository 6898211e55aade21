The view page of a table: one record, named by its key in the URL, with the records of the
tables that name this one as their master.

<!--##session view##-->
<?php
$tv_table = require __DIR__ . '/' . <!--##=zvPhpStr(tvPageName(TABLE, "info"))##-->;
<!--## zvPageTitle = TABLE.TblCaption & " - " & LANG.Phrase("View") ##-->
$tv_key = tv_key_values($tv_table);
$tv_row = $tv_key === null ? null : tv_find_row($tv_table, $tv_key);
if ($tv_row === null) {
    tv_fail(404, <!--##=tvPhpStr(LANG.Phrase("RecordNotFound"))##-->);
}
$tv_fields = tv_fields($tv_table, 'view');
$tv_k = tv_key_query($tv_table, $tv_row);
// The detail records: [detail table, its listed fields, its rows].
$tv_details = [];
foreach ($tv_table['details'] as [$tv_info, $tv_pairs]) {
    $tv_d = require __DIR__ . '/' . $tv_info;
    $tv_where = [];
    $tv_types = '';
    $tv_params = [];
    foreach ($tv_pairs as $tv_master => $tv_detail) {
        $tv_where[] = $tv_d['fields'][$tv_detail]['col'] . ' = ?';
        $tv_types .= 's';
        $tv_params[] = (string)($tv_row[$tv_master] ?? '');
    }
    $tv_rows = tv_query('SELECT ' . tv_columns($tv_d['fields']) . ' FROM ' . $tv_d['from'] . ' WHERE ' . implode(' AND ', $tv_where)
        . (($tv_o = tv_stable_order($tv_d, $tv_d['order'])) !== '' ? ' ORDER BY ' . $tv_o : '') . ' LIMIT 500', $tv_types, $tv_params);
    $tv_details[] = [$tv_d, tv_fields($tv_d, 'list'), $tv_rows];
}
?>
<!--##include shared.php/header##-->
<h1><!--##=tvHtml(TABLE.TblCaption)##--></h1>
<table class="tv-record">
<?php foreach ($tv_fields as $tv_name => $tv_f): ?>
<tr><th><?php echo tv_h($tv_f['caption']); ?></th><td<?php echo tv_cell($tv_f); ?>><?php echo tv_display($tv_f, $tv_row[$tv_name] ?? null); ?></td></tr>
<?php endforeach; ?>
</table>
<p class="tv-links">
<a href="<?php echo tv_h($tv_table['pages']['list']); ?>"><!--##@BackToList##--></a>
<?php if ($tv_table['pages']['edit'] !== ''): ?> <a href="<?php echo tv_h($tv_table['pages']['edit'] . '?' . $tv_k); ?>"><!--##@Edit##--></a><?php endif; ?>
<?php if ($tv_table['pages']['delete'] !== ''): ?> <a href="<?php echo tv_h($tv_table['pages']['delete'] . '?' . $tv_k); ?>"><!--##@Delete##--></a><?php endif; ?>
</p>
<?php foreach ($tv_details as [$tv_d, $tv_dfields, $tv_rows]): ?>
<section class="tv-details">
<h2><?php echo tv_h($tv_d['caption']); ?></h2>
<?php if ($tv_rows === []): ?>
<p class="tv-empty"><!--##@NoRecords##--></p>
<?php else: ?>
<div class="tv-scroll">
<table class="tv-grid">
<thead><tr>
<?php foreach ($tv_dfields as $tv_f): ?><th<?php echo tv_cell($tv_f); ?>><?php echo tv_h($tv_f['caption']); ?></th><?php endforeach; ?>
<?php if ($tv_d['pages']['view'] !== ''): ?><th></th><?php endif; ?>
</tr></thead>
<tbody>
<?php foreach ($tv_rows as $tv_i => $tv_drow): ?>
<tr class="<?php echo $tv_i % 2 === 0 ? 'tv-row-odd' : 'tv-row-even'; ?>">
<?php foreach ($tv_dfields as $tv_name => $tv_f): ?><td<?php echo tv_cell($tv_f); ?>><?php echo tv_display($tv_f, $tv_drow[$tv_name] ?? null); ?></td><?php endforeach; ?>
<?php if ($tv_d['pages']['view'] !== ''): ?><td class="tv-actions"><a href="<?php echo tv_h($tv_d['pages']['view'] . '?' . tv_key_query($tv_d, $tv_drow)); ?>"><!--##@View##--></a></td><?php endif; ?>
</tr>
<?php endforeach; ?>
</tbody>
</table>
</div>
<?php endif; ?>
</section>
<?php endforeach; ?>
<!--##include shared.php/footer##-->
<!--##/session##-->
