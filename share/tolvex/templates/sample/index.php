The default page of the site: a welcome text, the list pages of the tables, the reports and
the charts.

<!--##session index##-->
<!--## zvPageTitle = "" ##-->
<!--##include shared.php/header##-->
<h1><!--##=tvHtml(SiteTitle())##--></h1>
<p><!--##@Welcome##--></p>
<ul class="tv-tables">
<!--##
	Dim zvI, zvT, zvPage
	For zvI = 1 To DB.Tables.Count
		Set zvT = DB.Tables.Seq(zvI)
		zvPage = tvPageName(zvT, "list")
		If zvPage <> "" Then
##-->
<li><a href="<!--##=zvHtml(zvPage)##-->"><!--##=tvHtml(zvT.TblCaption)##--></a></li>
<!--##
		End If
	Next
##-->
</ul>
<h2><!--##@Reports##--></h2>
<ul class="tv-reports">
<!--##
	For zvI = 1 To DB.Tables.Count
		Set zvT = DB.Tables.Seq(zvI)
		zvPage = tvPageName(zvT, "report")
		If zvPage <> "" Then
##-->
<li><a href="<!--##=zvHtml(zvPage)##-->"><!--##=tvHtml(zvT.TblCaption)##--></a></li>
<!--##
		End If
	Next
	For zvI = 1 To DB.Tables.Count
		Set zvT = DB.Tables.Seq(zvI)
		zvPage = tvPageName(zvT, "chart")
		If zvPage <> "" Then
##-->
<li><a href="<!--##=zvHtml(zvPage)##-->"><!--##=tvHtml(zvT.TblCaption & " - " & LANG.Phrase("Charts"))##--></a></li>
<!--##
		End If
	Next
##-->
</ul>
<!--##include shared.php/footer##-->
<!--##/session##-->
