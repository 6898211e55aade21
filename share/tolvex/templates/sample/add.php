The add page of a table: a form for a new record; the record is inserted with a prepared
statement after the values were checked.

<!--##session add##-->
<?php
require_once __DIR__ . '/<!--##=tvPageName(TABLE, "info")##-->';
<!--## zvPageTitle = TABLE.TblCaption & " - " & LANG.Phrase("Add") ##-->
$tv_fields = tv_fields($tv_table, 'add');
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
        $tv_cols = [];
        $tv_types = '';
        foreach (array_keys($tv_values) as $tv_name) {
            $tv_cols[] = $tv_table['fields'][$tv_name]['col'];
            $tv_types .= $tv_table['fields'][$tv_name]['bind'];
        }
        $tv_sql = 'INSERT INTO ' . $tv_table['from'] . ' (' . implode(', ', $tv_cols) . ') VALUES ('
            . implode(', ', array_fill(0, count($tv_cols), '?')) . ')';
        try {
            tv_exec($tv_sql, $tv_types, array_values($tv_values));
            tv_flash(<!--##=zvPhpStr(LANG.Phrase("RecordAdded"))##-->);
            tv_redirect($tv_table['pages']['list']);
        } catch (mysqli_sql_exception $e) {
            error_log($e->getMessage());
            $tv_errors[] = <!--##=zvPhpStr(LANG.Phrase("SaveFailed"))##-->;
        }
    }
}
?>
<!--##include shared.php/header##-->
<h1><!--##=zvHtml(TABLE.TblCaption)##--> - <!--##@Add##--></h1>
<?php foreach ($tv_errors as $tv_e): ?>
<p class="tv-error"><?php echo tv_h($tv_e); ?></p>
<?php endforeach; ?>
<form class="tv-form" method="post" action="">
<?php echo tv_csrf_field(); ?>
<table class="tv-record">
<?php foreach ($tv_fields as $tv_name => $tv_f): ?>
<tr><th><?php echo tv_h($tv_f['caption']); ?><?php if ($tv_f['required']): ?> <span class="tv-required">*</span><?php endif; ?></th>
<td><?php echo tv_control($tv_f, tv_form_value($tv_f, null)); ?></td></tr>
<?php endforeach; ?>
</table>
<p><button type="submit"><!--##@Save##--></button> <a href="<?php echo tv_h($tv_table['pages']['list']); ?>"><!--##@Cancel##--></a></p>
</form>
<!--##include shared.php/footer##-->
<!--##/session##-->
