<?php
// The login page: the site asks for a login because the project's security settings name
// a user table; passwords there are password_hash() values.
define('TV_PUBLIC_PAGE', true);
?>
<!--##=Include_File("common", "php")##-->
<?php
<!--## zvPageTitle = LANG.Phrase("Login") ##-->
// Where to go after the login: a page of this site only.
$tv_return = tv_param('return') ?? tv_param('return', 'post') ?? '';
if (!preg_match('/^[A-Za-z0-9_.\-]+\.php(\?[^\s]*)?$/', $tv_return)) {
    $tv_return = TV_DEFAULT_PAGE;
}
$tv_error = '';
if ($_SERVER['REQUEST_METHOD'] === 'POST') {
    if (!tv_csrf_ok()) {
        $tv_error = <!--##=tvPhpStr(LANG.Phrase("InvalidToken"))##-->;
    } elseif (tv_login(trim(tv_param('username', 'post') ?? ''), tv_param('password', 'post') ?? '')) {
        tv_redirect($tv_return);
    } else {
        $tv_error = <!--##=tvPhpStr(LANG.Phrase("LoginFailed"))##-->;
    }
}
?>
<!--##include shared.php/header##-->
<h1><!--##@Login##--></h1>
<?php if ($tv_error !== ''): ?>
<p class="tv-error"><?php echo tv_h($tv_error); ?></p>
<?php endif; ?>
<form class="tv-form tv-login" method="post" action="">
<?php echo tv_csrf_field(); ?>
<input type="hidden" name="return" value="<?php echo tv_h($tv_return); ?>">
<table class="tv-record">
<tr><th><label for="tv-user"><!--##@UserName##--></label></th><td><input id="tv-user" type="text" name="username" autocomplete="username" required></td></tr>
<tr><th><label for="tv-password"><!--##@Password##--></label></th><td><input id="tv-password" type="password" name="password" autocomplete="current-password" required></td></tr>
</table>
<p><button type="submit"><!--##@Login##--></button></p>
</form>
<!--##include shared.php/footer##-->
