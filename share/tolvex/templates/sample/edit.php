The edit page of a table: the record named by its key in the URL, in a form; the changes
are written with a prepared UPDATE after the values were checked. Key fields are shown,
not changed.

<!--##session edit##-->
<?php
$tv_table = require __DIR__ . '/' . <!--##=zvPhpStr(tvPageName(TABLE, "info"))##-->;
<!--## zvPageTitle = TABLE.TblCaption & " - " & LANG.Phrase("Edit") ##-->
$tv_key = tv_key_values($tv_table);
$tv_row = $tv_key === null ? null : tv_find_row($tv_table, $tv_key);
if ($tv_row === null) {
    tv_fail(404, <!--##=tvPhpStr(LANG.Phrase("RecordNotFound"))##-->);
}
$tv_fields = tv_form_fields($tv_table, 'edit');
$tv_errors = [];
if ($_SERVER['REQUEST_METHOD'] === 'POST') {
    if (!tv_csrf_ok()) {
        $tv_errors[''] = <!--##=tvPhpStr(LANG.Phrase("InvalidToken"))##-->;
    } else {
        [$tv_values, $tv_errors] = tv_form_values($tv_fields, true);
        if ($tv_errors === []) {
            $tv_errors = tv_save($tv_table, $tv_values, $tv_key);
        }
        if ($tv_errors === []) {
            tv_flash(<!--##=tvPhpStr(LANG.Phrase("RecordSaved"))##-->);
            tv_redirect($tv_table['pages']['list']);
        }
    }
}
?>
<!--##include shared.php/header##-->
<h1><!--##=tvHtml(TABLE.TblCaption)##--> - <!--##@Edit##--></h1>
<?php if (isset($tv_errors[''])): ?>
<p class="tv-error"><?php echo tv_h($tv_errors['']); ?></p>
<?php endif; ?>
<form class="tv-form" method="post" action="">
<?php echo tv_csrf_field(); ?>
<table class="tv-record">
<?php echo tv_form_rows($tv_table, $tv_fields, $tv_row, $tv_errors, true); ?>
</table>
<p><button type="submit"><!--##@Save##--></button> <a href="<?php echo tv_h($tv_table['pages']['list']); ?>"><!--##@Cancel##--></a></p>
</form>
<!--##include shared.php/footer##-->
<!--##/session##-->
