' Operators' subtypes, math, conversion, date and formatting functions
ok getVT(1 + 1) = "VT_I2", "Integer + Integer"
ok getVT(32767 + 1) = "VT_I4", "Integer overflow gives Long"
ok getVT(CByte(1) + CByte(1)) = "VT_UI1", "Byte + Byte"
ok getVT(1 / 2) = "VT_R8", "/ gives Double"
ok getVT(7 \ 2) = "VT_I2", "\ of Integers"
ok getVT("1" + 1) = "VT_R8", "string + number adds"
ok "a" + "b" = "ab", "string + string concatenates"
ok getVT(CCur(1) + 1) = "VT_CY", "Currency + Integer"
ok getVT(#1/1/2000# + 1) = "VT_DATE", "Date + number"
ok getVT(#1/3/2000# - #1/1/2000#) = "VT_R8", "Date - Date"
ok 7.5 \ 2 = 4, "\ rounds operands"
ok -7 Mod 3 = -1, "Mod keeps the dividend's sign"
ok IsNull(Null + 1), "Null propagates"
ok (Null And False) = False, "Null And False"
ok (Null Or True) = True, "Null Or True"
ok IsNull(Null And True), "Null And True"
ok (Null & "a") = "a", "& treats Null as empty"
ok IsNull(Null & Null), "Null & Null"
ok getVT(Empty + Empty) = "VT_I2", "Empty + Empty"

Dim e
On Error Resume Next
e = 1 / 0
ok Err.Number = 11, "division by zero"
Err.Clear
e = 1 \ 0
ok Err.Number = 11, "integer division by zero"
Err.Clear
e = "x" + 1
ok Err.Number = 13, "type mismatch"
Err.Clear
e = CInt(40000)
ok Err.Number = 6, "overflow"
Err.Clear
On Error GoTo 0

ok Round(2.5) = 2, "Round to even"
ok Round(3.5) = 4, "Round to even upwards"
ok Round(1.2345, 2) = 1.23, "Round with digits"
ok Int(-1.5) = -2, "Int"
ok Fix(-1.5) = -1, "Fix"
ok getVT(Int(5)) = "VT_I2", "Int keeps Integer"
ok Abs(-3) = 3, "Abs"
ok Sgn(-0.5) = -1, "Sgn"
ok Sqr(16) = 4, "Sqr"
ok CInt(2.5) = 2, "CInt rounds to even"
ok CLng("3.5") = 4, "CLng of a string"
ok getVT(CSng(1)) = "VT_R4", "CSng"
ok CStr(True) = "True", "CStr"
ok IsNumeric("12.5"), "IsNumeric"
ok Not IsNumeric("12a"), "IsNumeric of text"
ok IsDate("1/2/2003"), "IsDate"
ok VarType("a") = vbString, "VarType"
ok TypeName(1.5) = "Double", "TypeName"
Dim r
r = Rnd(-1)
ok r >= 0 And r < 1, "Rnd range"

Dim d
d = DateSerial(2024, 2, 29)
ok Year(d) = 2024 And Month(d) = 2 And Day(d) = 29, "DateSerial"
ok DateSerial(2024, 14, 1) = #2/1/2025#, "DateSerial carries months"
ok Weekday(d) = vbThursday, "Weekday"
ok WeekdayName(1) = "Sunday", "WeekdayName"
ok MonthName(9, True) = "Sep", "MonthName"
ok DateAdd("m", 1, #1/31/2023#) = #2/28/2023#, "DateAdd clamps to the month's end"
ok DateAdd("h", 25, #1/1/2023#) = #1/2/2023 1:00:00 AM#, "DateAdd hours"
ok DateDiff("d", #1/1/2023 11:00 PM#, #1/2/2023 1:00 AM#) = 1, "DateDiff counts day boundaries"
ok DateDiff("yyyy", #12/31/2022#, #1/1/2023#) = 1, "DateDiff years"
ok DatePart("q", #8/1/2023#) = 3, "DatePart quarter"
ok DatePart("ww", #1/4/2021#, vbMonday, vbFirstFourDays) = 1, "DatePart week"
ok TimeSerial(13, 70, 0) = #2:10:00 PM#, "TimeSerial"
ok DateValue("2/3/2001 4:05 PM") = #2/3/2001#, "DateValue"
ok Hour(TimeValue("4:05 PM")) = 16, "TimeValue"
ok FormatDateTime(#1/2/2006 3:04:05 PM#, vbLongDate) = "Monday, January 2, 2006", "long date"
ok FormatDateTime(#1/2/2006 3:04:05 PM#, vbShortTime) = "15:04", "short time"
ok FormatDateTime(#1/2/2006#, vbShortDate) = "1/2/2006", "short date"
ok getVT(Now) = "VT_DATE", "Now"
ok getVT(Timer) = "VT_R4", "Timer"

ok FormatNumber(1234567.891) = "1,234,567.89", "FormatNumber"
ok FormatNumber(0.5, 2, vbFalse) = ".50", "FormatNumber without the leading digit"
ok FormatNumber(-1234.5, 1, vbUseDefault, vbTrue) = "(1,234.5)", "FormatNumber in parentheses"
ok FormatNumber(1234.5, 1, , , vbFalse) = "1234.5", "FormatNumber without grouping"
ok FormatCurrency(1234.5) = "$1,234.50", "FormatCurrency"
ok FormatCurrency(-1) = "($1.00)", "FormatCurrency negative"
ok FormatPercent(0.1234) = "12.34%", "FormatPercent"
ok GetLocale() = 1033, "English (United States)"
