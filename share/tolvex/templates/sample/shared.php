Sessions shared by the pages: the page header (with the site menu) and the page footer.
Before the header, a page sets zvPageTitle to the title of its page.

<!--##session header##-->
<!DOCTYPE html>
<html lang="<!--##@LanguageCode##-->">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title><!--##
	If zvText(zvPageTitle) <> "" Then
##--><!--##=zvHtml(zvPageTitle & " - " & SiteTitle())##--><!--##
	Else
##--><!--##=zvHtml(SiteTitle())##--><!--##
	End If
##--></title>
<link rel="stylesheet" href="<!--##=zvHtml(tvFolderUrl("_css"))##-->site.css">
<link rel="stylesheet" href="<!--##=zvHtml(tvFolderUrl("_css") & tvProjectCssName())##-->">
</head>
<body>
<header class="tv-header">
<a href="<!--##=zvHtml(tvDefaultPageName())##-->"><img class="tv-logo" src="<!--##=zvHtml(tvLogoUrl())##-->" alt=""></a>
<span class="tv-title"><!--##=zvHtml(SiteTitle())##--></span>
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
<!--##=zvHtml(PROJ.FooterText)##-->
<!--## Else ##-->
<!--##=zvHtml(SiteTitle())##-->
<!--## End If ##-->
</footer>
</body>
</html>
<!--##/session##-->
