The add page of a table: a form for a new record; the record is inserted with a prepared
statement after the values were checked.

<!--##session add##-->
<?php
$tv_table = require __DIR__ . '/' . <!--##=zvPhpStr(tvPageName(TABLE, "info"))##-->;
<!--## zvPageTitle = TABLE.TblCaption & " - " & LANG.Phrase("Add") ##-->
$tv_fields = tv_form_fields($tv_table, 'add');
$tv_errors = [];
// Columns that need a value the form does not offer: no record can be added here.
$tv_blockers = tv_add_blockers($tv_table);
if ($tv_blockers !== []) {
    $tv_errors[''] = sprintf(<!--##=tvPhpStr(LANG.Phrase("AddBlocked"))##-->, implode(', ', $tv_blockers));
} elseif ($_SERVER['REQUEST_METHOD'] === 'POST') {
    if (!tv_csrf_ok()) {
        $tv_errors[''] = <!--##=tvPhpStr(LANG.Phrase("InvalidToken"))##-->;
    } else {
        [$tv_values, $tv_errors] = tv_form_values($tv_fields);
        if ($tv_errors === []) {
            $tv_errors = tv_save($tv_table, $tv_values, null);
        }
        if ($tv_errors === []) {
            tv_flash(<!--##=tvPhpStr(LANG.Phrase("RecordAdded"))##-->);
            tv_redirect($tv_table['pages']['list']);
        }
    }
}
?>
<!--##include shared.php/header##-->
<h1><!--##=tvHtml(TABLE.TblCaption)##--> - <!--##@Add##--></h1>
<?php if (isset($tv_errors[''])): ?>
<p class="tv-error"><?php echo tv_h($tv_errors['']); ?></p>
<?php endif; ?>
<?php if ($tv_blockers === []): ?>
<form class="tv-form" method="post" action="">
<?php echo tv_csrf_field(); ?>
<table class="tv-record">
<?php echo tv_form_rows($tv_table, $tv_fields, null, $tv_errors, false); ?>
</table>
<p><button type="submit"><!--##@Save##--></button> <a href="<?php echo tv_h($tv_table['pages']['list']); ?>"><!--##@Cancel##--></a></p>
</form>
<?php else: ?>
<p><a href="<?php echo tv_h($tv_table['pages']['list']); ?>"><!--##@BackToList##--></a></p>
<?php endif; ?>
<!--##include shared.php/footer##-->
<!--##/session##-->
