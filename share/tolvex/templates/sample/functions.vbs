' Script functions of the sample template package. They are added to the generation engine
' before the templates run, so every template of the package can call them.

' The control whose id is given, or Nothing. The control list's current position is kept.
Function tvControlById(id)
	Dim i, saved, c
	Set tvControlById = Nothing
	saved = Controls.curIndex
	For i = 1 To Controls.Count
		Set c = Controls.Item(i)
		If Not c Is Nothing Then
			If c.CtrlID = id Then
				Set tvControlById = c
				Exit For
			End If
		End If
	Next
	If saved >= 1 Then Set c = Controls.Item(saved)
End Function

' Whether the table gets the page of the given control ("list", "view", "add", "edit",
' "delete"); the same tests as the conditions of those controls in control.xml.
Function tvTableHasPage(tbl, kind)
	Dim ok
	ok = zvIsTrue(tbl.TblGen)
	If ok Then ok = Not (tvControlById(kind) Is Nothing)
	If ok Then
		Select Case kind
			Case "list", "info"
			Case "view"
				ok = zvIsTrue(tbl.TblView) And zvText(tbl.TblKey) <> ""
			Case "add"
				ok = zvIsTrue(tbl.TblAdd) And zvText(tbl.TblKey) <> ""
			Case "edit"
				ok = zvIsTrue(tbl.TblEdit) And zvText(tbl.TblKey) <> ""
			Case "delete"
				ok = zvIsTrue(tbl.TblDelete) And zvText(tbl.TblKey) <> ""
			Case Else
				ok = False
		End Select
	End If
	tvTableHasPage = ok
End Function

' The file name of a table's page made by the control with the given id; "" when the
' table gets no such page.
Function tvPageName(tbl, ctrlId)
	Dim c, name
	tvPageName = ""
	If Not tvTableHasPage(tbl, ctrlId) Then Exit Function
	Set c = tvControlById(ctrlId)
	name = c.CtrlOFile
	If zvIsTrue(PROJ.AppCompat) And zvText(c.CtrlOFileCompat) <> "" Then name = c.CtrlOFileCompat
	tvPageName = zvOutputName(tbl.TblVar, "", name, zvResolveExt(c.CtrlOExt))
End Function

' The file name of the site's default page.
Function tvDefaultPageName()
	Dim c, name
	If zvText(PROJ.DefaultPage) <> "" Then
		tvDefaultPageName = PROJ.DefaultPage
		Exit Function
	End If
	name = "*"
	Set c = tvControlById("default")
	If Not c Is Nothing Then
		name = c.CtrlOFile
		If zvIsTrue(PROJ.AppCompat) And zvText(c.CtrlOFileCompat) <> "" Then name = c.CtrlOFileCompat
	End If
	tvDefaultPageName = Replace(zvOutputName("", "", name, zvResolveExt("php")), "*", "index")
End Function

' The URL (relative to the site's root) of the folder made by a "folder" control, with a
' trailing "/"; "" for the root.
Function tvFolderUrl(id)
	Dim c, f
	tvFolderUrl = ""
	Set c = tvControlById(id)
	If c Is Nothing Then Exit Function
	f = Replace(zvText(c.CtrlOFolder), "\", "/")
	If Left(f, 2) = "~/" Then f = Mid(f, 3)
	Do While Left(f, 1) = "/"
		f = Mid(f, 2)
	Loop
	If f <> "" And Right(f, 1) <> "/" Then f = f & "/"
	tvFolderUrl = f
End Function

' The name of the project's style sheet that the generator writes into the css folder.
Function tvProjectCssName()
	Dim s
	s = zvText(PROJ.ProjVar) & ".css"
	If zvIsTrue(PROJ.OutputNameLCase) Then s = LCase(s)
	tvProjectCssName = s
End Function

' The URL of the logo in the page header: the project's own logo (copied into the site's
' root) or the logo of the package.
Function tvLogoUrl()
	Dim s, p
	s = Replace(zvText(PROJ.HeaderLogo), "\", "/")
	If s <> "" Then
		p = InStrRev(s, "/")
		If p > 0 Then s = Mid(s, p + 1)
		tvLogoUrl = s
	Else
		tvLogoUrl = tvFolderUrl("_images") & "logo.svg"
	End If
End Function

Function tvDateSeparator()
	tvDateSeparator = zvText(PROJ.DateSeparator)
	If tvDateSeparator = "" Then tvDateSeparator = "/"
End Function

' Records per page of a table's list.
Function tvRecPerPage(tbl)
	Dim n
	If zvIsTrue(tbl.TblUseGlobal) Then n = PROJ.RecPerPage Else n = tbl.TblRecPerPage
	If Not IsNumeric(n) Then n = 0
	If n <= 0 Then n = 20
	tvRecPerPage = CLng(n)
End Function

' Whether the table's list offers the basic search.
Function tvHasSearch(tbl)
	Dim t, i, f
	t = UCase(zvText(tbl.TblSrchType))
	tvHasSearch = False
	If t <> "" And t <> "BASIC" And t <> "BOTH" Then Exit Function
	For i = 1 To tbl.Fields.Count
		Set f = tbl.Fields.Seq(i)
		If zvIsTrue(f.FldSupport) And zvIsTrue(f.FldBasicSearch) Then
			tvHasSearch = True
			Exit Function
		End If
	Next
End Function

' The value and the label of one line of a field's tag values: "value","label" (quotes
' optional, doubled quotes inside).
Function tvSplitTagLine(line)
	Dim parts(1), part, i, n, c, inQuote, cur
	part = 0
	cur = ""
	inQuote = False
	n = Len(line)
	i = 1
	Do While i <= n
		c = Mid(line, i, 1)
		If inQuote Then
			If c = """" Then
				If i < n And Mid(line, i + 1, 1) = """" Then
					cur = cur & """"
					i = i + 1
				Else
					inQuote = False
				End If
			Else
				cur = cur & c
			End If
		ElseIf c = """" Then
			inQuote = True
		ElseIf c = "," And part = 0 Then
			parts(0) = Trim(cur)
			cur = ""
			part = 1
		Else
			cur = cur & c
		End If
		i = i + 1
	Loop
	If part = 0 Then
		parts(0) = Trim(cur)
		parts(1) = Trim(cur)
	Else
		parts(1) = Trim(cur)
	End If
	tvSplitTagLine = parts
End Function

' The options of a field as a PHP array literal (value => label).
Function tvOptionsPhp(fld)
	Dim s, lines, i, p, out
	out = ""
	s = Replace(zvText(fld.FldTagValues), vbCrLf, vbLf)
	s = Replace(s, vbCr, vbLf)
	If Trim(s) <> "" Then
		lines = Split(s, vbLf)
		For i = 0 To UBound(lines)
			If Trim(lines(i)) <> "" Then
				p = tvSplitTagLine(lines(i))
				If out <> "" Then out = out & ", "
				out = out & zvPhpStr(p(0)) & " => " & zvPhpStr(p(1))
			End If
		Next
	End If
	tvOptionsPhp = "[" & out & "]"
End Function

' The lookup query of a field whose values come from another table, as a PHP literal;
' '' when it has none.
Function tvLookupPhp(fld)
	Dim lnkTbl, lnkFld, disp, ord, dir
	lnkTbl = zvText(fld.FldTagLnkTbl)
	lnkFld = zvText(fld.FldTagLnkFld)
	tvLookupPhp = "''"
	If lnkTbl = "" Or lnkFld = "" Then Exit Function
	disp = zvText(fld.FldTagLnkDisplay)
	If disp = "" Then disp = lnkFld
	ord = zvText(fld.FldTagLnkOrderBy)
	If ord = "" Then ord = disp
	If UCase(zvText(fld.FldTagLnkOrderType)) = "DESC" Then dir = " DESC" Else dir = " ASC"
	tvLookupPhp = zvPhpStr("SELECT " & zvSqlIdent(lnkFld) & ", " & zvSqlIdent(disp) & " FROM " & zvSqlIdent(lnkTbl) & " ORDER BY " & zvSqlIdent(ord) & dir)
End Function

' The date format number of a field (5 year/month/day, 6 month/day/year, 7 day/month/year);
' 0 for a field that is no date.
Function tvDateFormat(fld)
	Dim n
	n = 0
	If zvText(fld.FldFmtType) = "Date/Time" Then n = fld.FldDtFormat
	Select Case UCase(zvText(fld.FldValidate))
		Case "DATE"
			If n = 0 Then n = 5
		Case "USDATE"
			If n = 0 Then n = 6
		Case "EURODATE"
			If n = 0 Then n = 7
	End Select
	If n < 5 Or n > 7 Then
		If n <> 0 Then n = 5
	End If
	tvDateFormat = n
End Function

' The settings of a field as the PHP array entry of the table's field list.
Function tvFieldPhp(tbl, fld, indent)
	Dim tag, isKey, isAuto, canAdd, canEdit, search, caption, sb
	tag = UCase(zvText(fld.FldHtmlTag))
	If tag = "" Then tag = "TEXT"
	isKey = zvIsTrue(fld.FldIsPrimaryKey)
	isAuto = zvIsTrue(fld.FldAutoIncrement)
	canAdd = zvIsTrue(fld.FldAdd) And Not isAuto And tag <> "NO" And tag <> "FILE"
	canEdit = zvIsTrue(fld.FldEdit) And Not isKey And Not isAuto And tag <> "NO" And tag <> "FILE"
	If zvText(fld.FldTagLnkTbl) <> "" And tag <> "RADIO" And tag <> "CHECKBOX" Then tag = "SELECT"
	search = tvHasSearch(tbl) And zvIsTrue(fld.FldBasicSearch)
	caption = zvText(fld.FldCaption)
	If caption = "" Then caption = fld.FldName
	Set sb = New StringBuilder
	sb.Append indent & zvPhpStr(fld.FldName) & " => [" & vbCrLf
	sb.Append indent & "    'name' => " & zvPhpStr(fld.FldName) & ", 'col' => " & zvPhpStr(zvSqlIdent(fld.FldName)) & ", 'param' => " & zvPhpStr(fld.FldParm) & "," & vbCrLf
	sb.Append indent & "    'caption' => " & zvPhpStr(caption) & ", 'bind' => " & zvPhpStr(zvBindType(fld)) & "," & vbCrLf
	sb.Append indent & "    'list' => " & zvPhpBool(fld.FldList) & ", 'view' => " & zvPhpBool(fld.FldView) & ", 'add' => " & zvPhpBool(canAdd) & ", 'edit' => " & zvPhpBool(canEdit) & "," & vbCrLf
	sb.Append indent & "    'search' => " & zvPhpBool(search) & ", 'srchopr' => " & zvPhpStr(UCase(zvText(fld.FldSrchOpr))) & "," & vbCrLf
	sb.Append indent & "    'required' => " & zvPhpBool(fld.FldRequired) & ", 'auto' => " & zvPhpBool(isAuto) & ", 'key' => " & zvPhpBool(isKey) & "," & vbCrLf
	sb.Append indent & "    'tag' => " & zvPhpStr(tag) & ", 'validate' => " & zvPhpStr(UCase(zvText(fld.FldValidate))) & ", 'datefmt' => " & tvDateFormat(fld) & "," & vbCrLf
	sb.Append indent & "    'size' => " & zvPhpInt(fld.FldTagSize) & ", 'maxlength' => " & zvPhpInt(fld.FldTagMaxLength) & ", 'cols' => " & zvPhpInt(fld.FldTagCols) & ", 'rows' => " & zvPhpInt(fld.FldTagRows) & "," & vbCrLf
	sb.Append indent & "    'options' => " & tvOptionsPhp(fld) & "," & vbCrLf
	sb.Append indent & "    'lookup' => " & tvLookupPhp(fld) & "," & vbCrLf
	sb.Append indent & "]," & vbCrLf
	tvFieldPhp = sb.ToString()
End Function

' The default ORDER BY of a table's list: the first field with a sort order, else the key.
Function tvDefaultOrder(tbl)
	Dim i, f, s, keys
	s = ""
	For i = 1 To tbl.Fields.Count
		Set f = tbl.Fields.Seq(i)
		If zvText(f.FldOrder) <> "" Then
			s = zvSqlIdent(f.FldName)
			If UCase(Trim(f.FldOrder)) = "DESC" Then s = s & " DESC" Else s = s & " ASC"
			Exit For
		End If
	Next
	If s = "" Then
		For i = 1 To tbl.Fields.Count
			Set f = tbl.Fields.Seq(i)
			If zvIsTrue(f.FldIsPrimaryKey) And zvIsTrue(f.FldSupport) Then
				If s <> "" Then s = s & ", "
				s = s & zvSqlIdent(f.FldName) & " ASC"
			End If
		Next
	End If
	tvDefaultOrder = s
End Function

' The entries of the site menu below parentId as PHP array elements.
Function tvMenuPhp(parentId, depth)
	Dim i, m, s, href, t, children, text, pad
	s = ""
	tvMenuPhp = ""
	If depth > 8 Then Exit Function
	pad = Space(4 + depth * 8)
	For i = 1 To MENULIST.Count
		Set m = MENULIST.Item(i)
		If Not m Is Nothing Then
			If m.MenuParentID = parentId And m.MenuId <> parentId And zvIsTrue(m.MenuShow) Then
				href = ""
				text = zvText(m.MenuText)
				If zvIsTrue(m.MenuCustomUrl) Then
					href = zvText(m.MenuUrl)
				Else
					Set t = zvFindTable(m.MenuUrl)
					If Not t Is Nothing Then
						href = tvPageName(t, "list")
						If text = "" Then text = zvText(t.TblCaption)
					End If
				End If
				children = tvMenuPhp(m.MenuId, depth + 1)
				If href <> "" Or children <> "" Then
					If text = "" Then text = href
					s = s & pad & "['text' => " & zvPhpStr(text) & ", 'href' => " & zvPhpStr(href) & ", 'items' => [" & vbCrLf
					s = s & children
					s = s & pad & "]]," & vbCrLf
				End If
			End If
		End If
	Next
	tvMenuPhp = s
End Function
