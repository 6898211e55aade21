The edit page of a table: the record named by its key in the URL, in a form; the changes
are written with a prepared UPDATE after the values were checked. Key fields are shown,
not changed.

<!--##session edit##-->
<?php
require_once __DIR__ . '/<!--##=tvPageName(TABLE, "info")##-->';
<!--## zvPageTitle = TABLE.TblCaption & " - " & LANG.Phrase("Edit") ##-->
$tv_key = tv_key_values($tv_table);
$tv_row = $tv_key === null ? null : tv_find_row($tv_table, $tv_key);
if ($tv_row === null) {
    tv_fail(404, <!--##=zvPhpStr(LANG.Phrase("RecordNotFound"))##-->);
}
$tv_fields = tv_fields($tv_table, 'edit');
$tv_errors = [];
if ($_SERVER['REQUEST_METHOD'] === 'POST') {
    $tv_values = [];
    if (!tv_csrf_ok()) {
        $tv_errors[] = <!--##=zvPhpStr(LANG.Phrase("InvalidToken"))##-->;
    } else {
        foreach ($tv_fields as $tv_name => $tv_f) {
            $tv_err = null;
            $tv_v = tv_input_value($tv_f, $tv_err);
            if ($tv_err !== null) {
                $tv_errors[] = $tv_err;
            }
            $tv_values[$tv_name] = $tv_v;
        }
    }
    if ($tv_errors === [] && $tv_values !== []) {
        $tv_sets = [];
        $tv_types = '';
        foreach (array_keys($tv_values) as $tv_name) {
            $tv_sets[] = $tv_table['fields'][$tv_name]['col'] . ' = ?';
            $tv_types .= $tv_table['fields'][$tv_name]['bind'];
        }
        [$tv_where, $tv_key_types] = tv_key_where($tv_table);
        $tv_sql = 'UPDATE ' . $tv_table['from'] . ' SET ' . implode(', ', $tv_sets) . $tv_where;
        try {
            tv_exec($tv_sql, $tv_types . $tv_key_types, array_merge(array_values($tv_values), $tv_key));
            tv_flash(<!--##=zvPhpStr(LANG.Phrase("RecordSaved"))##-->);
            tv_redirect($tv_table['pages']['list']);
        } catch (mysqli_sql_exception $e) {
            error_log($e->getMessage());
            $tv_errors[] = <!--##=zvPhpStr(LANG.Phrase("SaveFailed"))##-->;
        }
    }
}
?>
<!--##include shared.php/header##-->
<h1><!--##=zvHtml(TABLE.TblCaption)##--> - <!--##@Edit##--></h1>
<?php foreach ($tv_errors as $tv_e): ?>
<p class="tv-error"><?php echo tv_h($tv_e); ?></p>
<?php endforeach; ?>
<form class="tv-form" method="post" action="">
<?php echo tv_csrf_field(); ?>
<table class="tv-record">
<?php foreach ($tv_table['fields'] as $tv_name => $tv_f): ?>
<?php if (isset($tv_fields[$tv_name])): ?>
<tr><th><?php echo tv_h($tv_f['caption']); ?><?php if ($tv_f['required']): ?> <span class="tv-required">*</span><?php endif; ?></th>
<td><?php echo tv_control($tv_f, tv_form_value($tv_f, $tv_row)); ?></td></tr>
<?php elseif ($tv_f['key'] || $tv_f['auto']): ?>
<tr><th><?php echo tv_h($tv_f['caption']); ?></th><td><?php echo tv_display($tv_f, $tv_row[$tv_name] ?? null); ?></td></tr>
<?php endif; ?>
<?php endforeach; ?>
</table>
<p><button type="submit"><!--##@Save##--></button> <a href="<?php echo tv_h($tv_table['pages']['list']); ?>"><!--##@Cancel##--></a></p>
</form>
<!--##include shared.php/footer##-->
<!--##/session##-->
