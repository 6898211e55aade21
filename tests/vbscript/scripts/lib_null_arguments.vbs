' Library functions given Null, as the Windows engine answers them: most string functions
' give Null for a Null text, a Null count, position or option is error 94, and a few
' functions differ from the rest. Where the reference says otherwise, the row's comment
' names it. Each table row is an expression and the value it must give; "error N" when
' it raises N.

' The text functions give Null for a Null text; InStrRev, Replace, Split, Escape and
' Unescape raise 94 instead (the reference has Escape and Unescape give Null). A Null
' start, length or compare mode is 94 before the other checks of those arguments, and a
' bad start or length is 5 even when the text is Null.
CheckTable Array( _
  "IsNull(Len(Null))", True, "IsNull(UCase(Null))", True, "IsNull(Right(Null, 0))", True, _
  "IsNull(InStr(2, Null, ""abcd"", 0))", True, "IsNull(InStr(2, ""abcd"", Null, 0))", True, _
  "InStr(Null, ""abcd"", ""abcd"", 0)", "error 94", "InStr(2, ""abcd"", ""abcd"", Null)", "error 94", _
  "InStrRev(Null, ""abcd"", 2, 0)", "error 94", "InStrRev(""abcd"", Null)", "error 94", _
  "InStrRev(""abcd"", ""abcd"", Null, 0)", "error 94", "InStrRev(""abcd"", ""abcd"", 2, Null)", "error 94", _
  "Mid(""test"", ""a"", 1)", "error 13", "Mid(""test"", ""a"", Null)", "error 94", "Mid(""test"", 0, Null)", "error 94", _
  "Mid(""test"", -1, Null)", "error 94", "Mid(""test"", Null, 2)", "error 94", "Mid(Null, -1, -1)", "error 5", _
  "Mid(""test"", Empty, 1)", "error 5", "Right(Null, -1)", "error 5", "Right(""test"", Null)", "error 94", _
  "Replace(""xx"", ""x"", Null)", "error 94", "Replace(""xx"", ""x"", ""y"", 1, Null)", "error 94", _
  "Split(""a-b"", Null)", "error 94", "Split(""a-b"", ""-"", -1, Null)", "error 94", _
  "Escape(Null)", "error 94", "Unescape(Null)", "error 94", "Space(Null)", "error 94", _
  "Asc(Null)", "error 94", "Asc(Empty)", "error 5")

' The Format functions: a Null value is 13, a Null option 94.
CheckTable Array( _
  "FormatCurrency(Null)", "error 13", "FormatCurrency(1000, Null)", "error 94", _
  "FormatCurrency(1000, 0, 0, 0, Null)", "error 94", "FormatNumber(Null)", "error 13", _
  "FormatNumber(0.1, 0, Null)", "error 94", "FormatPercent(Null)", "error 13", _
  "FormatPercent(0.1, 0, 0, Null)", "error 94", "FormatDateTime(Null)", "error 13", _
  "FormatDateTime(0.1, Null)", "error 94")
On Error Resume Next
formatted = FormatCurrency(Null)
ok Err.Number = 13 And IsEmpty(formatted), "FormatCurrency(Null) leaves its target Empty"
On Error GoTo 0

' Numbers and dates: Sgn(Null) is 94 (Abs(Null) is Null); DateAdd of a Null date is Null
' while a Null interval or number is 94; a Null Weekday or MonthName option is 94 before
' the other argument is looked at.
CheckTable Array( _
  "Sgn(Null)", "error 94", "IsNull(Abs(Null))", True, _
  "IsNull(DateAdd(""q"", 1, Null))", True, "DateAdd(Null, 1, #2/1/2000#)", "error 94", _
  "DateAdd(""q"", Null, #2/1/2000#)", "error 94", "IsNull(Weekday(Null, vbSunday))", True, _
  "Weekday(Null, -1)", "error 5", "Weekday(#1/1/2000#, Null)", "error 94", "Weekday(Null, ""a"")", "error 13", _
  "MonthName(Null)", "error 94", "MonthName(""a"", Null)", "error 94", "DateSerial(2000, Null, 1)", "error 94", _
  "TimeSerial(10, 1, Null)", "error 94", "CStr(Null)", "error 94", "CInt(Null)", "error 94", "CDate(Null)", "error 94")
