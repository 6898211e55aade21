' Sets the current objects of a template run: CTRL (the control being generated), TABLE and
' FIELD (the table and field being generated). bInitType: 1 the control only, 2 control,
' table and field, 3 table and field, 0 nothing.
Dim TABLE, FIELD, CTRL
Function LoadCurrent(bInitType)
	Dim tablename, fieldname, index
	If bInitType = 1 Or bInitType = 2 Then
		index = Controls.curIndex
		Set CTRL = Controls.Item(index)
	End If
	If bInitType = 2 Or bInitType = 3 Then
		tablename = DB.Tables.curName
		Set TABLE = DB.Tables.Item(tablename)
		fieldname = ""
		If Not TABLE Is Nothing Then
			fieldname = TABLE.Fields.curName
			Set FIELD = TABLE.Fields.Item(fieldname)
		Else
			Set FIELD = Nothing
		End If
		LoadCurrent = tablename & "," & fieldname
	Else
		LoadCurrent = ""
	End If
End Function
