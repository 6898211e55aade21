The default page of the site: a welcome text and the list pages of the tables.

<!--##session index##-->
<!--## zvPageTitle = "" ##-->
<!--##include shared.php/header##-->
<h1><!--##=zvHtml(SiteTitle())##--></h1>
<p><!--##@Welcome##--></p>
<ul class="tv-tables">
<!--##
	Dim zvI, zvT, zvPage
	For zvI = 1 To DB.Tables.Count
		Set zvT = DB.Tables.Seq(zvI)
		zvPage = tvPageName(zvT, "list")
		If zvPage <> "" Then
##-->
<li><a href="<!--##=zvHtml(zvPage)##-->"><!--##=zvHtml(zvT.TblCaption)##--></a></li>
<!--##
		End If
	Next
##-->
</ul>
<!--##include shared.php/footer##-->
<!--##/session##-->
