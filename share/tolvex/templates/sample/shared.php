Sessions shared by the pages: the page header (with the site menu) and the page footer.
Before the header, a page sets zvPageTitle to the title of its page.

<!--##session header##-->
<!DOCTYPE html>
<html lang="<!--##@LanguageCode##-->">
<head>
<meta charset="<!--##=tvCharset()##-->">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title><!--##
	If zvText(zvPageTitle) <> "" Then
##--><!--##=tvHtml(zvPageTitle & " - " & SiteTitle())##--><!--##
	Else
##--><!--##=tvHtml(SiteTitle())##--><!--##
	End If
##--></title>
<link rel="stylesheet" href="<!--##=zvHtml(tvFolderUrl("_css"))##-->site.css">
<link rel="stylesheet" href="<!--##=zvHtml(tvFolderUrl("_css") & tvProjectCssName())##-->">
</head>
<body>
<header class="tv-header">
<a href="<!--##=zvHtml(tvDefaultPageName())##-->"><img class="tv-logo" src="<!--##=zvHtml(tvLogoUrl())##-->" alt=""></a>
<span class="tv-title"><!--##=tvHtml(SiteTitle())##--></span>
<?php if (TV_LOGIN !== null && tv_user() !== null): ?>
<span class="tv-user"><!--##@LoggedInAs##--> <?php echo tv_h(tv_user()); ?> - <a href="<!--##=zvHtml(tvSitePageName("logout"))##-->"><!--##@Logout##--></a></span>
<?php endif; ?>
</header>
<!--##=Include_File("menu", "php")##-->
<?php tv_menu(); ?>
<main class="tv-main">
<?php tv_show_flash(); ?>
<!--##/session##-->

<!--##session footer##-->
</main>
<footer class="tv-footer">
<!--## If Trim(zvText(PROJ.FooterText)) <> "" Then ##-->
<!--##=tvHtml(PROJ.FooterText)##-->
<!--## Else ##-->
<!--##=tvHtml(SiteTitle())##-->
<!--## End If ##-->
</footer>
</body>
</html>
<!--##/session##-->
