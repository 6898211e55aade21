The delete page of a table: shows the record named by its key and deletes it when the
form is confirmed.

<!--##session delete##-->
<?php
$tv_table = require __DIR__ . '/' . <!--##=zvPhpStr(tvPageName(TABLE, "info"))##-->;
<!--## zvPageTitle = TABLE.TblCaption & " - " & LANG.Phrase("Delete") ##-->
$tv_key = tv_key_values($tv_table);
$tv_row = $tv_key === null ? null : tv_find_row($tv_table, $tv_key);
if ($tv_row === null) {
    tv_fail(404, <!--##=tvPhpStr(LANG.Phrase("RecordNotFound"))##-->);
}
$tv_errors = [];
if ($_SERVER['REQUEST_METHOD'] === 'POST') {
    if (!tv_csrf_ok()) {
        $tv_errors[] = <!--##=tvPhpStr(LANG.Phrase("InvalidToken"))##-->;
    } else {
        [$tv_where, $tv_key_types] = tv_key_where($tv_table);
        try {
            tv_exec('DELETE FROM ' . $tv_table['from'] . $tv_where . ' LIMIT 1', $tv_key_types, $tv_key);
            tv_flash(<!--##=tvPhpStr(LANG.Phrase("RecordDeleted"))##-->);
            tv_redirect($tv_table['pages']['list']);
        } catch (mysqli_sql_exception $e) {
            error_log($e->getMessage());
            $tv_errors[] = <!--##=tvPhpStr(LANG.Phrase("DeleteFailed"))##-->;
        }
    }
}
$tv_fields = tv_fields($tv_table, 'view');
?>
<!--##include shared.php/header##-->
<h1><!--##=tvHtml(TABLE.TblCaption)##--> - <!--##@Delete##--></h1>
<?php foreach ($tv_errors as $tv_e): ?>
<p class="tv-error"><?php echo tv_h($tv_e); ?></p>
<?php endforeach; ?>
<p><!--##@DeleteConfirm##--></p>
<table class="tv-record">
<?php foreach ($tv_fields as $tv_name => $tv_f): ?>
<tr><th><?php echo tv_h($tv_f['caption']); ?></th><td<?php echo tv_cell($tv_f); ?>><?php echo tv_display($tv_f, $tv_row[$tv_name] ?? null); ?></td></tr>
<?php endforeach; ?>
</table>
<form class="tv-form" method="post" action="">
<?php echo tv_csrf_field(); ?>
<?php echo tv_key_fields($tv_table, $tv_row); ?>
<p><button type="submit"><!--##@Delete##--></button> <a href="<?php echo tv_h($tv_table['pages']['list']); ?>"><!--##@Cancel##--></a></p>
</form>
<!--##include shared.php/footer##-->
<!--##/session##-->
