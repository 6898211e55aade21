The view page of a table: one record, named by its key in the URL.

<!--##session view##-->
<?php
require_once __DIR__ . '/<!--##=tvPageName(TABLE, "info")##-->';
<!--## zvPageTitle = TABLE.TblCaption & " - " & LANG.Phrase("View") ##-->
$tv_key = tv_key_values($tv_table);
$tv_row = $tv_key === null ? null : tv_find_row($tv_table, $tv_key);
if ($tv_row === null) {
    tv_fail(404, <!--##=zvPhpStr(LANG.Phrase("RecordNotFound"))##-->);
}
$tv_fields = tv_fields($tv_table, 'view');
$tv_k = tv_key_query($tv_table, $tv_row);
?>
<!--##include shared.php/header##-->
<h1><!--##=zvHtml(TABLE.TblCaption)##--></h1>
<table class="tv-record">
<?php foreach ($tv_fields as $tv_name => $tv_f): ?>
<tr><th><?php echo tv_h($tv_f['caption']); ?></th><td><?php echo tv_display($tv_f, $tv_row[$tv_name] ?? null); ?></td></tr>
<?php endforeach; ?>
</table>
<p class="tv-links">
<a href="<?php echo tv_h($tv_table['pages']['list']); ?>"><!--##@BackToList##--></a>
<?php if ($tv_table['pages']['edit'] !== ''): ?> <a href="<?php echo tv_h($tv_table['pages']['edit'] . '?' . $tv_k); ?>"><!--##@Edit##--></a><?php endif; ?>
<?php if ($tv_table['pages']['delete'] !== ''): ?> <a href="<?php echo tv_h($tv_table['pages']['delete'] . '?' . $tv_k); ?>"><!--##@Delete##--></a><?php endif; ?>
</p>
<!--##include shared.php/footer##-->
<!--##/session##-->
