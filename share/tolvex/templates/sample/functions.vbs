' Script functions of the sample template package. They are added to the generation engine
' before the templates run, so every template of the package can call them.

' The control whose id is given, or Nothing. The control list's current position is kept.
Function tvControlById(id)
	Dim saved, c, back
	saved = Controls.curIndex
	If VarType(id) <> vbString Then
		Set tvControlById = tvControlByIdWalk(id, saved)
		Exit Function
	End If
	' The list finds the first control with that id itself; it moves the current position
	' there, as a walk over the list would have moved it to the end when nothing matched.
	Set c = Controls.Item(id)
	If saved >= 1 Then
		Set back = Controls.Item(saved)
	ElseIf c Is Nothing Then
		If Controls.Count >= 1 Then Set back = Controls.Item(Controls.Count)
	End If
	Set tvControlById = c
End Function

' tvControlById for an id that is no text: compared with each control's id in turn.
Function tvControlByIdWalk(id, saved)
	Dim i, c
	Set tvControlByIdWalk = Nothing
	For i = 1 To Controls.Count
		Set c = Controls.Item(i)
		If Not c Is Nothing Then
			If c.CtrlID = id Then
				Set tvControlByIdWalk = c
				Exit For
			End If
		End If
	Next
	If saved >= 1 Then Set c = Controls.Item(saved)
End Function

' Whether the table is a report (its pages are made by the controls of type "report").
Function tvIsReport(tbl)
	tvIsReport = (UCase(zvText(tbl.TblType)) = "REPORT")
End Function

' Whether the table gets the page of the given control ("list", "view", "add", "edit",
' "delete", "chart", "report", "info"); the same tests as the conditions of those controls
' in control.xml.
Function tvTableHasPage(tbl, kind)
	tvTableHasPage = Not (tvPageControl(tbl, kind) Is Nothing)
End Function

' The control that makes the table's page of the given kind (as tvTableHasPage names them),
' or Nothing when the table gets no such page.
Function tvPageControl(tbl, kind)
	Dim ok, report, ctrlId, c
	Set tvPageControl = Nothing
	report = tvIsReport(tbl)
	ctrlId = kind
	If kind = "info" And report Then ctrlId = "rptinfo"
	If Not zvIsTrue(tbl.TblGen) Then Exit Function
	Set c = tvControlById(ctrlId)
	If c Is Nothing Then Exit Function
	Select Case kind
		Case "info"
			ok = True
		Case "report"
			ok = report
		Case "list"
			ok = Not report
		Case "chart"
			ok = Not report And tvChartCount(tbl) > 0
		Case "view"
			ok = Not report And zvIsTrue(tbl.TblView) And zvText(tbl.TblKey) <> ""
		Case "add"
			ok = Not report And zvIsTrue(tbl.TblAdd) And zvText(tbl.TblKey) <> ""
		Case "edit"
			ok = Not report And zvIsTrue(tbl.TblEdit) And zvText(tbl.TblKey) <> ""
		Case "delete"
			ok = Not report And zvIsTrue(tbl.TblDelete) And zvText(tbl.TblKey) <> ""
		Case Else
			ok = False
	End Select
	If ok Then Set tvPageControl = c
End Function

' The number of charts of a table that are shown.
Function tvChartCount(tbl)
	Dim i, c, n
	n = 0
	For i = 1 To tbl.Charts.Count
		Set c = tbl.Charts.Seq(i)
		If Not c Is Nothing Then
			If zvIsTrue(c.ShowChart) Then n = n + 1
		End If
	Next
	tvChartCount = n
End Function

' The condition of the chart control: the table the generation is at (the current table of
' the table collection) has a chart to show.
Function tvCurrentTableHasCharts()
	Dim t
	tvCurrentTableHasCharts = False
	Set t = zvFindTable(DB.Tables.curName)
	If Not t Is Nothing Then tvCurrentTableHasCharts = (tvChartCount(t) > 0)
End Function

' The file name of a table's page made by the control with the given id; "" when the
' table gets no such page.
Function tvPageName(tbl, ctrlId)
	Dim c, name
	tvPageName = ""
	Set c = tvPageControl(tbl, ctrlId)
	If c Is Nothing Then Exit Function
	name = c.CtrlOFile
	If zvIsTrue(PROJ.AppCompat) And zvText(c.CtrlOFileCompat) <> "" Then name = c.CtrlOFileCompat
	tvPageName = zvOutputName(tbl.TblVar, "", name, zvResolveExt(c.CtrlOExt))
End Function

' The page a menu entry or the default page links for a table: its list, or its report.
Function tvMainPageName(tbl)
	If tvIsReport(tbl) Then
		tvMainPageName = tvPageName(tbl, "report")
	Else
		tvMainPageName = tvPageName(tbl, "list")
	End If
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
				out = out & tvPhpStr(p(0)) & " => " & tvPhpStr(p(1))
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
' 0 for a field that is no date. Every date of the site is shown and typed in the project's
' date format (defaultDateFormat), which the fields also get when they are read from the
' database; a field's own format counts only in a project without one.
Function tvDateFormat(fld)
	Dim n, p
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
	If n = 0 Then
		Select Case CInt(0 + fld.FldType)
			Case 7, 133, 135
				n = -1
		End Select
	End If
	If n <> 0 Then
		p = PROJ.defaultDateFormat
		If IsNumeric(p) Then
			If CInt(p) >= 5 And CInt(p) <= 7 Then n = CInt(p)
		End If
	End If
	If n < 5 Or n > 7 Then
		If n > 0 Then n = 5 Else n = 0
	End If
	tvDateFormat = n
End Function

' Whether a field's type is a number (ADO type codes of whole, floating-point and decimal
' numbers); numbers are right-aligned.
Function tvIsNumber(fld)
	Select Case CInt(0 + fld.FldType)
		Case 2, 3, 4, 5, 6, 14, 16, 17, 18, 19, 20, 21, 131, 139
			tvIsNumber = True
		Case Else
			tvIsNumber = False
	End Select
End Function

' Whether a field holds a Yes/No value: an ADO Boolean, or a check box without a list of
' values.
Function tvIsBoolean(fld)
	tvIsBoolean = (CInt(0 + fld.FldType) = 11)
	If UCase(zvText(fld.FldHtmlTag)) = "CHECKBOX" Then
		If Trim(zvText(fld.FldTagValues)) = "" And zvText(fld.FldTagLnkTbl) = "" Then tvIsBoolean = True
	End If
End Function

' The HTML input type of a field's text box, by its data type and validation.
Function tvInputType(fld)
	Dim t
	t = "text"
	Select Case CInt(0 + fld.FldType)
		Case 7, 133
			t = "date"
		Case 135
			t = "datetime-local"
		Case 134
			t = "time"
	End Select
	If t = "text" And tvIsNumber(fld) Then t = "number"
	If UCase(zvText(fld.FldValidate)) = "EMAIL" Then t = "email"
	If tvIsBoolean(fld) Then t = "checkbox"
	tvInputType = t
End Function

' The search operators a field offers: its own operator, or every operator of its data type
' when the user chooses ("USER SELECT"); as a PHP list.
Function tvSearchOpsPhp(fld)
	Dim op, lines, i, out
	op = UCase(Trim(zvText(fld.FldSrchOpr)))
	out = ""
	If op = "USER SELECT" Then
		lines = Split(PROJ.FldSrchOprs(CInt(0 + fld.FldType)), vbCrLf)
		For i = 0 To UBound(lines)
			If lines(i) <> "USER SELECT" And lines(i) <> "" Then
				If out <> "" Then out = out & ", "
				out = out & zvPhpStr(lines(i))
			End If
		Next
	ElseIf op <> "" Then
		out = zvPhpStr(op)
	Else
		out = "'='"
	End If
	tvSearchOpsPhp = "[" & out & "]"
End Function

' The options of the predefined filter group a field names (FldFilterName), as a PHP list
' of [name, SQL condition]; "{field}" in an expression stands for the field's column.
Function tvFiltersPhp(fld)
	Dim g, n, i, out, expr
	out = ""
	g = Trim(zvText(fld.FldFilterName))
	If g <> "" And Not (FILTERS Is Nothing) Then
		n = FILTERS.OptionCount(g)
		For i = 1 To n
			expr = Trim(FILTERS.Expression(g, i))
			If expr <> "" Then
				If out <> "" Then out = out & ", "
				out = out & "[" & tvPhpStr(FILTERS.OptionName(g, i)) & ", " & zvPhpStr("(" & Replace(expr, "{field}", zvSqlIdent(fld.FldName)) & ")") & "]"
			End If
		Next
	End If
	tvFiltersPhp = "[" & out & "]"
End Function

' The lookup of a field in another table for a search by the displayed value: the query of
' the key values, up to the condition on the display column, and that column.
Function tvLookupSearchPhp(fld)
	Dim lnkTbl, lnkFld, disp
	lnkTbl = zvText(fld.FldTagLnkTbl)
	lnkFld = zvText(fld.FldTagLnkFld)
	tvLookupSearchPhp = "null"
	If lnkTbl = "" Or lnkFld = "" Then Exit Function
	disp = zvText(fld.FldTagLnkDisplay)
	If disp = "" Then disp = lnkFld
	tvLookupSearchPhp = "[" & zvPhpStr("SELECT " & zvSqlIdent(lnkFld) & " FROM " & zvSqlIdent(lnkTbl) & " WHERE ") & ", " & zvPhpStr(zvSqlIdent(disp)) & "]"
End Function

' The view format of a field: "Currency", "Number", "Percent" or "" (dates have datefmt).
Function tvNumberFormat(fld)
	Dim f
	f = zvText(fld.FldFmtType)
	Select Case LCase(f)
		Case "currency"
			tvNumberFormat = "Currency"
		Case "number"
			tvNumberFormat = "Number"
		Case "percent"
			tvNumberFormat = "Percent"
		Case Else
			tvNumberFormat = ""
	End Select
End Function

' The settings of a field as the PHP array entry of the table's field list.
Function tvFieldPhp(tbl, fld, indent)
	Dim tag, isKey, isAuto, isBool, canAdd, canEdit, search, caption, s, dflt, required, digits
	tag = UCase(zvText(fld.FldHtmlTag))
	If tag = "" Then tag = "TEXT"
	isKey = zvIsTrue(fld.FldIsPrimaryKey)
	isAuto = zvIsTrue(fld.FldAutoIncrement)
	canAdd = zvIsTrue(fld.FldAdd) And Not isAuto And tag <> "NO" And tag <> "FILE"
	canEdit = zvIsTrue(fld.FldEdit) And Not isKey And Not isAuto And tag <> "NO" And tag <> "FILE"
	If zvText(fld.FldTagLnkTbl) <> "" And tag <> "RADIO" And tag <> "CHECKBOX" Then tag = "SELECT"
	isBool = tvIsBoolean(fld)
	If isBool Then tag = "BOOLEAN"
	search = tvHasSearch(tbl) And zvIsTrue(fld.FldBasicSearch)
	caption = zvText(fld.FldCaption)
	If caption = "" Then caption = fld.FldName
	dflt = zvText(fld.FldDefault)
	' A value is required where the column takes no NULL and has no default to fall back on.
	required = zvIsTrue(fld.FldRequired) And dflt = "" And Not isAuto
	digits = fld.FldNumDigits
	If Not IsNumeric(digits) Then digits = 2
	If digits < 0 Or digits > 10 Then digits = 2
	s = ""
	s = s & indent & zvPhpStr(fld.FldName) & " => [" & vbCrLf
	s = s & indent & "    'name' => " & zvPhpStr(fld.FldName) & ", 'col' => " & zvPhpStr(zvSqlIdent(fld.FldName)) & ", 'param' => " & zvPhpStr(fld.FldParm) & "," & vbCrLf
	s = s & indent & "    'caption' => " & tvPhpStr(caption) & ", 'bind' => " & zvPhpStr(zvBindType(fld)) & "," & vbCrLf
	s = s & indent & "    'list' => " & zvPhpBool(fld.FldList) & ", 'view' => " & zvPhpBool(fld.FldView) & ", 'add' => " & zvPhpBool(canAdd) & ", 'edit' => " & zvPhpBool(canEdit) & "," & vbCrLf
	s = s & indent & "    'search' => " & zvPhpBool(search) & ", 'srchopr' => " & zvPhpStr(UCase(zvText(fld.FldSrchOpr))) & "," & vbCrLf
	s = s & indent & "    'advsearch' => " & zvPhpBool(zvIsTrue(fld.FldSearch) And UCase(zvText(tbl.TblSrchType)) <> "NONE") & ", 'ops' => " & tvSearchOpsPhp(fld) & ", 'filters' => " & tvFiltersPhp(fld) & "," & vbCrLf
	s = s & indent & "    'required' => " & zvPhpBool(required) & ", 'auto' => " & zvPhpBool(isAuto) & ", 'key' => " & zvPhpBool(isKey) & "," & vbCrLf
	s = s & indent & "    'nullable' => " & zvPhpBool(Not zvIsTrue(fld.FldReq)) & ", 'unique' => " & zvPhpBool(zvIsTrue(fld.FldUniqueIdx) And Not isKey) & ", 'default' => " & tvPhpStr(dflt) & "," & vbCrLf
	s = s & indent & "    'tag' => " & zvPhpStr(tag) & ", 'type' => " & zvPhpStr(tvInputType(fld)) & ", 'validate' => " & zvPhpStr(UCase(zvText(fld.FldValidate))) & ", 'datefmt' => " & tvDateFormat(fld) & "," & vbCrLf
	s = s & indent & "    'number' => " & zvPhpBool(tvIsNumber(fld) And Not isBool) & ", 'format' => " & zvPhpStr(tvNumberFormat(fld)) & ", 'digits' => " & CInt(digits) & "," & vbCrLf
	s = s & indent & "    'size' => " & zvPhpInt(fld.FldTagSize) & ", 'maxlength' => " & zvPhpInt(fld.FldTagMaxLength) & ", 'cols' => " & zvPhpInt(fld.FldTagCols) & ", 'rows' => " & zvPhpInt(fld.FldTagRows) & "," & vbCrLf
	s = s & indent & "    'options' => " & tvOptionsPhp(fld) & "," & vbCrLf
	s = s & indent & "    'lookup' => " & tvLookupPhp(fld) & ", 'lookupsearch' => " & tvLookupSearchPhp(fld) & "," & vbCrLf
	s = s & indent & "    'group' => " & zvPhpInt(fld.FldGroupBy) & ", 'agg' => [" & tvAggPhp(fld) & "]," & vbCrLf
	s = s & indent & "]," & vbCrLf
	tvFieldPhp = s
End Function

' The report totals a field asks for, as PHP list elements.
Function tvAggPhp(fld)
	Dim s
	s = ""
	If zvIsTrue(fld.FldRptAggSum) Then s = s & "'sum', "
	If zvIsTrue(fld.FldRptAggAvg) Then s = s & "'avg', "
	If zvIsTrue(fld.FldRptAggMin) Then s = s & "'min', "
	If zvIsTrue(fld.FldRptAggMax) Then s = s & "'max', "
	If s <> "" Then s = Left(s, Len(s) - 2)
	tvAggPhp = s
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
	Dim n, i, m, menus(), ids(), parents(), shown(), tables
	tvMenuPhp = ""
	If depth > 8 Then Exit Function
	' The entries are read once here and the tables once in tvMenuTable: every level of the
	' menu looks through all entries for its children, and every entry names its table.
	n = MENULIST.Count
	If n < 1 Then Exit Function
	ReDim menus(n), ids(n), parents(n), shown(n)
	For i = 1 To n
		Set m = MENULIST.Item(i)
		Set menus(i) = m
		shown(i) = False
		If Not m Is Nothing Then
			ids(i) = m.MenuId
			parents(i) = m.MenuParentID
			shown(i) = zvIsTrue(m.MenuShow)
		End If
	Next
	tvMenuPhp = tvMenuLevelPhp(menus, ids, parents, shown, tables, parentId, depth)
End Function

' The table a menu entry names, as zvFindTable finds it: the first of that name in sequence
' order. The tables are read into `tables` when an entry first names one.
Function tvMenuTable(tables, name)
	Dim i, t
	If IsEmpty(tables) Then
		Set tables = CreateObject("Scripting.Dictionary")
		For i = 1 To DB.Tables.Count
			Set t = DB.Tables.Seq(i)
			If Not t Is Nothing Then
				If Not tables.Exists(t.TblName) Then tables.Add t.TblName, t
			End If
		Next
	End If
	Set tvMenuTable = Nothing
	If tables.Exists(name) Then Set tvMenuTable = tables.Item(name)
End Function

' The menu entries below parentId of the entries read by tvMenuPhp.
Function tvMenuLevelPhp(menus, ids, parents, shown, tables, parentId, depth)
	Dim i, m, s, href, t, children, text, pad
	s = ""
	tvMenuLevelPhp = ""
	If depth > 8 Then Exit Function
	pad = Space(4 + depth * 8)
	For i = 1 To UBound(ids)
		If shown(i) Then
			If parents(i) = parentId And ids(i) <> parentId Then
				Set m = menus(i)
				href = ""
				text = zvText(m.MenuText)
				If zvIsTrue(m.MenuCustomUrl) Then
					href = zvText(m.MenuUrl)
				Else
					Set t = tvMenuTable(tables, m.MenuUrl)
					If Not t Is Nothing Then
						href = tvMainPageName(t)
						If text = "" Then text = zvText(t.TblCaption)
					End If
				End If
				children = tvMenuLevelPhp(menus, ids, parents, shown, tables, ids(i), depth + 1)
				If href <> "" Or children <> "" Then
					If text = "" Then text = href
					s = s & pad & "['text' => " & tvPhpStr(text) & ", 'href' => " & zvPhpStr(href) & ", 'items' => [" & vbCrLf
					s = s & children
					s = s & pad & "]]," & vbCrLf
				End If
			End If
		End If
	Next
	tvMenuLevelPhp = s
End Function

' Text for HTML with every character outside ASCII written as a character reference, so
' that the page says the same in any charset it is written in.
Function tvHtml(v)
	tvHtml = tvAsciiRefs(zvHtml(v), "&#", ";")
End Function

' A PHP string literal of the text of v; characters outside ASCII are written as \u{...}
' escapes in a double-quoted literal, so the generated file is plain ASCII.
Function tvPhpStr(v)
	Dim s, i, n, r, run
	s = zvText(v)
	If Not tvHasNonAscii(s) Then
		tvPhpStr = zvPhpStr(s)
		Exit Function
	End If
	' The characters that need no escape are copied a run at a time.
	r = ""
	run = 1
	For i = 1 To Len(s)
		n = AscW(Mid(s, i, 1))
		If n < 32 Or n > 126 Or n = 34 Or n = 36 Or n = 92 Then
			r = r & Mid(s, run, i - run)
			If n < 0 Then n = n + 65536
			If n > 126 Then
				r = r & "\u{" & Hex(n) & "}"
			ElseIf n < 32 Then
				r = r & "\x" & Right("0" & Hex(n), 2)
			Else
				r = r & "\" & ChrW(n)
			End If
			run = i + 1
		End If
	Next
	tvPhpStr = """" & r & Mid(s, run) & """"
End Function

' Whether the text has a character above "~". Escape writes each such character as %7F, %80
' to %FF or %uXXXX (and "%" itself as %25), so one search of its result answers.
Dim tvNonAsciiEscape
Function tvHasNonAscii(s)
	If IsEmpty(tvNonAsciiEscape) Then
		Set tvNonAsciiEscape = New RegExp
		tvNonAsciiEscape.Pattern = "%(u|7F|[89A-F])"
	End If
	tvHasNonAscii = tvNonAsciiEscape.Test(Escape(s))
End Function

Function tvAsciiRefs(s, pre, post)
	Dim i, n, r, run
	If Not tvHasNonAscii(s) Then
		tvAsciiRefs = s
		Exit Function
	End If
	' The ASCII between two references is copied as one piece.
	r = ""
	run = 1
	For i = 1 To Len(s)
		n = AscW(Mid(s, i, 1))
		If n < 0 Or n > 126 Then
			If n < 0 Then n = n + 65536
			r = r & Mid(s, run, i - run) & pre & n & post
			run = i + 1
		End If
	Next
	tvAsciiRefs = r & Mid(s, run)
End Function

' The charset the pages declare: the project's CharSet (utf-8 when it names none). The
' generated files themselves are plain ASCII, so they read the same in either.
' A CharSet that is no charset name (letters, digits and . _ : -; a project file edited by
' hand) is not written into the pages: they declare utf-8 instead.
Dim tvCharsetName
Function tvCharset()
	tvCharset = LCase(Trim(zvText(PROJ.CharSet)))
	If IsEmpty(tvCharsetName) Then
		Set tvCharsetName = New RegExp
		tvCharsetName.Pattern = "^[a-z0-9][a-z0-9._:\-]{0,39}$"
	End If
	If Not tvCharsetName.Test(tvCharset) Then tvCharset = "utf-8"
End Function

' An attribute of the extension extName for the table, as text; "" when the project has no
' such extension, the table no extension item, or the item no such attribute.
Function tvExtTableAttr(extName, tbl, attName)
	Dim e, ts
	tvExtTableAttr = ""
	If EXTS Is Nothing Then Exit Function
	If Not EXTS.ExtensionExist(extName) Then Exit Function
	Set e = EXTS.Item(extName)
	If Not e.IsExtended Then Exit Function
	If e.PROJ.DBCnt < 1 Then Exit Function
	Set ts = e.PROJ.DB.Tables
	If Not ts.TableExist(zvText(tbl.TblName)) Then Exit Function
	If Not ts.Item(zvText(tbl.TblName)).Properties.PropertyExist(attName) Then Exit Function
	tvExtTableAttr = zvText(ts.Item(zvText(tbl.TblName)).Properties.Item(attName).Value)
End Function

' The FROM part of a table's queries: the table itself, or the SQL of a custom view as a
' derived table.
Function tvFromSql(tbl)
	If UCase(zvText(tbl.TblType)) = "CUSTOMVIEW" And Trim(zvText(tbl.TblCustomSQL)) <> "" Then
		tvFromSql = "(" & Trim(zvText(tbl.TblCustomSQL)) & ") AS " & zvSqlIdent("tv_" & zvText(tbl.TblVar))
	ElseIf tvIsReport(tbl) Then
		Dim src
		Set src = zvFindTable(zvText(tbl.TblRptSrc))
		If src Is Nothing Then
			tvFromSql = zvSqlIdent(tbl.TblRptSrc)
		Else
			tvFromSql = tvFromSql(src)
		End If
	Else
		tvFromSql = zvSqlIdent(tbl.TblName)
	End If
End Function

' Whether the table's list offers CSV export: the project's export settings, or the
' table's own when it does not use the project's.
Function tvExportCsv(tbl)
	If zvIsTrue(tbl.TblUseGlobal) Then
		tvExportCsv = zvIsTrue(PROJ.ExportCsv)
	Else
		tvExportCsv = zvIsTrue(tbl.TblExportCsv)
	End If
End Function

' Field names of a list setting ("a", "a,b" or one per line).
Function tvNameList(v)
	Dim s
	s = Replace(zvText(v), vbCrLf, ",")
	s = Replace(s, vbCr, ",")
	s = Replace(s, vbLf, ",")
	tvNameList = Split(s, ",")
End Function

' The detail tables of a master table (tables whose TblMasterTbl names it and that have a
' list page), as PHP array elements: the detail table's info file and the field pairs.
Function tvDetailsPhp(tbl)
	Dim i, t, s, mf, df, j, pairs, tables, master, isDetail
	s = ""
	master = zvText(tbl.TblName)
	Set tables = DB.Tables
	For i = 1 To tables.Count
		Set t = tables.Seq(i)
		If Not t Is Nothing Then
			' Only a table that names this master needs its list page looked up.
			isDetail = (t.TblMasterTbl = master)
			If isDetail Then isDetail = (tvPageName(t, "list") <> "")
			If isDetail Then
				mf = tvNameList(t.TblMasterFld)
				df = tvNameList(t.TblDetailFld)
				pairs = ""
				For j = 0 To UBound(mf)
					If j <= UBound(df) Then
						If Trim(mf(j)) <> "" And Trim(df(j)) <> "" Then
							If pairs <> "" Then pairs = pairs & ", "
							pairs = pairs & zvPhpStr(Trim(mf(j))) & " => " & zvPhpStr(Trim(df(j)))
						End If
					End If
				Next
				If pairs <> "" Then s = s & "    [" & zvPhpStr(tvPageName(t, "info")) & ", [" & pairs & "]]," & vbCrLf
			End If
		End If
	Next
	tvDetailsPhp = s
End Function

' Whether the project's security settings name a user table with its login and password
' fields: the site then asks for a login.
Function tvHasLogin()
	tvHasLogin = zvText(PROJ.SecTbl) <> "" And zvText(PROJ.SecLoginIDFld) <> "" And zvText(PROJ.SecPasswdFld) <> ""
End Function

' A colour setting for SVG: "#" and hex digits only, else the fallback.
Function tvColor(v, fallback)
	Dim s, i, ok
	s = Trim(zvText(v))
	ok = (Len(s) = 4 Or Len(s) = 7) And Left(s, 1) = "#"
	If ok Then
		For i = 2 To Len(s)
			If InStr("0123456789ABCDEFabcdef", Mid(s, i, 1)) = 0 Then ok = False
		Next
	End If
	If ok Then tvColor = s Else tvColor = fallback
End Function

Function tvPhpNum(v)
	If IsNumeric(zvText(v)) And zvText(v) <> "" Then
		tvPhpNum = Replace(CStr(CDbl(v)), ",", ".")
	Else
		tvPhpNum = "0"
	End If
End Function

' The shown charts of a table as PHP array elements, their trend lines included.
Function tvChartsPhp(tbl)
	Dim i, j, c, t, s, tl, summary, palette, parts, k, colors
	s = ""
	For i = 1 To tbl.Charts.Count
		Set c = tbl.Charts.Seq(i)
		If Not c Is Nothing Then
			If zvIsTrue(c.ShowChart) Then
				summary = UCase(Trim(zvText(c.ChartSummaryType)))
				Select Case summary
					Case "SUM", "AVG", "COUNT", "MIN", "MAX"
					Case Else
						summary = "SUM"
				End Select
				colors = ""
				parts = Split(zvText(c.ChartColorPalette), ",")
				For k = 0 To UBound(parts)
					If tvColor(parts(k), "") <> "" Then
						If colors <> "" Then colors = colors & ", "
						colors = colors & zvPhpStr(Trim(parts(k)))
					End If
				Next
				tl = ""
				For j = 1 To c.Trendlines.Count
					Set t = c.Trendlines.Seq(j)
					If Not t Is Nothing Then
						If zvIsTrue(t.TrendShow) Then
							tl = tl & "            ['name' => " & tvPhpStr(t.TrendName) & ", 'start' => " & tvPhpNum(t.TrendStartValue) & ", 'end' => " & tvPhpNum(t.TrendEndValue) & ", 'color' => " & zvPhpStr(tvColor(t.TrendColor, "#C0392B")) & ", 'label' => " & tvPhpStr(t.TrendDisplayValue) & ", 'thickness' => " & zvPhpInt(t.TrendThickness) & ", 'zone' => " & zvPhpBool(t.TrendIsTrendZone) & ", 'top' => " & zvPhpBool(t.TrendShowOnTop) & ", 'alpha' => " & zvPhpInt(t.TrendAlpha) & "]," & vbCrLf
						End If
					End If
				Next
				s = s & "    [" & vbCrLf
				s = s & "        'name' => " & zvPhpStr(c.ChartName) & ", 'caption' => " & tvPhpStr(c.ChartCaption) & "," & vbCrLf
				s = s & "        'x' => " & zvPhpStr(zvSqlIdent(c.ChartXFldName)) & ", 'y' => " & zvPhpStr(zvSqlIdent(c.ChartYFldName)) & ", 'xfield' => " & zvPhpStr(c.ChartXFldName) & ", 'summary' => " & zvPhpStr(summary) & "," & vbCrLf
				s = s & "        'type' => " & zvPhpInt(c.ChartType) & ", 'width' => " & zvPhpInt(c.ChartWidth) & ", 'height' => " & zvPhpInt(c.ChartHeight) & ", 'sort' => " & zvPhpInt(c.ChartSortType) & "," & vbCrLf
				s = s & "        'bg' => " & zvPhpStr(tvColor(c.ChartBgColor, "#FFFFFF")) & ", 'plotbg' => " & zvPhpStr(tvColor(c.ChartChartBgColor, "#FFFFFF")) & ", 'border' => " & zvPhpStr(tvColor(c.ChartChartBorderColor, "#999999")) & "," & vbCrLf
				s = s & "        'grid' => " & zvPhpInt(c.ChartNumGridLines) & ", 'gridcolor' => " & zvPhpStr(tvColor(c.ChartGridColor, "#DDDDDD")) & "," & vbCrLf
				s = s & "        'xname' => " & tvPhpStr(c.ChartXAxisName) & ", 'xrotated' => " & zvPhpBool(c.ChartXAxisNameRotated) & ", 'yname' => " & tvPhpStr(c.ChartYAxisName) & ", 'yrotated' => " & zvPhpBool(c.ChartYAxisNameRotated) & "," & vbCrLf
				s = s & "        'ymin' => " & zvPhpInt(c.ChartYAxisMinValue) & ", 'ymax' => " & zvPhpInt(c.ChartYAxisMaxValue) & "," & vbCrLf
				s = s & "        'names' => " & zvPhpBool(c.ChartShowNames) & ", 'values' => " & zvPhpBool(c.ChartShowValues) & ", 'hover' => " & zvPhpBool(c.ChartShowHover) & ", 'alpha' => " & zvPhpInt(c.ChartAlpha) & "," & vbCrLf
				s = s & "        'palette' => [" & colors & "]," & vbCrLf
				s = s & "        'trends' => [" & vbCrLf & tl & "        ]," & vbCrLf
				s = s & "    ]," & vbCrLf
			End If
		End If
	Next
	tvChartsPhp = s
End Function

' The file name of a page of the site as a whole made by the control with the given id
' ("login", "logout"); "" when the package has no such control or the project does not
' ask for it.
Function tvSitePageName(ctrlId)
	Dim c
	tvSitePageName = ""
	If (ctrlId = "login" Or ctrlId = "logout") And Not tvHasLogin() Then Exit Function
	Set c = tvControlById(ctrlId)
	If c Is Nothing Then Exit Function
	tvSitePageName = zvOutputName("", "", c.CtrlOFile, zvResolveExt(c.CtrlOExt))
End Function
