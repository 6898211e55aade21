' Checks that the project can be generated. Each function returns True when its check
' passes; otherwise it explains the problem in PROJ.ProjErr and returns False.

Function ValidateProjectName()
	ValidateProjectName = True
	If Trim(PROJ.ProjName & "") = "" Then
		PROJ.ProjErr = "Tolvex: The project has no name. Generation aborted."
		ValidateProjectName = False
	End If
End Function

Function ValidateDestination()
	ValidateDestination = True
	If Trim(PROJ.Destination & "") = "" Then
		PROJ.ProjErr = "Tolvex: No destination folder is set for the generated site. Generation aborted."
		ValidateDestination = False
	End If
End Function

Function ValidateDatabase()
	ValidateDatabase = True
	If Trim(DB.DBName & "") = "" Then
		PROJ.ProjErr = "Tolvex: The database has no name. Generation aborted."
		ValidateDatabase = False
	ElseIf LCase(Trim(DB.DBType & "")) <> "mysql" Then
		PROJ.ProjErr = "Tolvex: The template generates pages for MySQL/MariaDB databases only (database type """ & DB.DBType & """). Generation aborted."
		ValidateDatabase = False
	End If
End Function

Function ValidateTables()
	Dim i, t, n
	ValidateTables = True
	n = 0
	For i = 1 To DB.Tables.Count
		Set t = DB.Tables.Seq(i)
		If Not t Is Nothing Then
			If t.TblGen Then n = n + 1
		End If
	Next
	If n = 0 Then
		PROJ.ProjErr = "Tolvex: No table is selected for generation. Generation aborted."
		ValidateTables = False
	End If
End Function

Function ValidateOutputNames()
	Dim s, i, c
	ValidateOutputNames = True
	s = PROJ.Ext & ""
	For i = 1 To Len(s)
		c = Mid(s, i, 1)
		If InStr("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", c) = 0 Then
			PROJ.ProjErr = "Tolvex: The output extension """ & s & """ may hold letters and digits only. Generation aborted."
			ValidateOutputNames = False
			Exit Function
		End If
	Next
	s = PROJ.DefaultPage & ""
	If InStr(s, "/") > 0 Or InStr(s, "\") > 0 Or InStr(s, "..") > 0 Then
		PROJ.ProjErr = "Tolvex: The default page """ & s & """ must be a file name without a folder. Generation aborted."
		ValidateOutputNames = False
	End If
End Function

Function ValidatePaging()
	ValidatePaging = True
	If PROJ.RecPerPage < 0 Or PROJ.RecPerPage > 1000 Then
		PROJ.ProjErr = "Tolvex: Records per page must be between 0 and 1000 (0 uses 20). Generation aborted."
		ValidatePaging = False
	End If
End Function
