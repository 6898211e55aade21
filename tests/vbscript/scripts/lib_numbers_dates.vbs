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

' Edge cases: CheckTable rows of an expression and its value ("error N" when it raises N)
' Math: subtypes kept, rounding to even, domain errors
CheckTable Array( _
  "Int(-0.5)", -1, "Fix(-0.5)", 0, "Round(-2.5)", -2, "Round(0.5)", 0, "Round(1.23456, 3)", 1.235, _
  "getVT(Round(2.5))", "VT_R8", "getVT(Round(2))", "VT_I2", "getVT(Round(CSng(1.5)))", "VT_R4", _
  "getVT(Round(CCur(1.5)))", "VT_CY", "getVT(Int(""3.7""))", "VT_R8", "getVT(Fix(CCur(2.5)))", "VT_CY", _
  "getVT(Sgn(1.5))", "VT_I2", "Abs(-32768)", 32768, "getVT(Abs(CInt(-32767) - 1))", "VT_I4", _
  "IsNull(Abs(Null))", True, "Round(1.5, -1)", "error 5", "Sqr(-1)", "error 5", "Log(0)", "error 5", _
  "Exp(1000)", "error 6", "(-8) ^ (1 / 3)", "error 5", "2 ^ 1024", "error 6", "5 Mod 2.6", 2, _
  "-7 \ 2", -3, "getVT(10.5 \ 3)", "VT_I4", "CLng(-2147483647 - 1) \ -1", "error 6", _
  "getVT(CInt(-32768) \ CInt(-1))", "VT_I4", "getVT(CByte(200) + CByte(100))", "VT_I2", _
  "getVT(Not CByte(1))", "VT_UI1", "getVT(70000 + CSng(1))", "VT_R8", "getVT(CCur(1) / CCur(2))", "VT_R8")

' DateAdd: months clamp to the month's end; "w" and "y" add days
CheckTable Array( _
  "DateAdd(""yyyy"", 1, #2/29/2024#)", #2/28/2025#, "DateAdd(""q"", 1, #1/31/2024#)", #4/30/2024#, _
  "DateAdd(""m"", -1, #3/31/2024#)", #2/29/2024#, "DateAdd(""ww"", 1, #1/1/2024#)", #1/8/2024#, _
  "DateAdd(""w"", 1, #1/1/2024#)", #1/2/2024#, "DateAdd(""y"", 1, #1/1/2024#)", #1/2/2024#, _
  "DateAdd(""n"", 90, #1/1/2000#)", #1/1/2000 1:30:00 AM#, "DateAdd(""s"", -1, #1/1/2000#)", #12/31/1999 11:59:59 PM#, _
  "getVT(DateAdd(""d"", 1, ""1/1/2000""))", "VT_DATE", "DateAdd(""x"", 1, Now)", "error 5", _
  "DateAdd(""yyyy"", 10000, Now)", "error 5", "DateAdd(""m"", 1, ""garbage"")", "error 13")

' DateDiff counts boundaries crossed; "ww" counts first days of the week, "w" whole weeks
CheckTable Array( _
  "DateDiff(""m"", #1/31/2024#, #2/1/2024#)", 1, "DateDiff(""d"", #1/2/2024#, #1/1/2024#)", -1, _
  "DateDiff(""h"", #1/1/2000#, #1/2/2000#)", 24, "DateDiff(""n"", #1/1/2000#, #1/1/2000 1:00 AM#)", 60, _
  "DateDiff(""q"", #3/31/2023#, #4/1/2023#)", 1, "DateDiff(""y"", #1/1/2023#, #1/3/2023#)", 2, _
  "DateDiff(""ww"", #1/1/2023#, #1/8/2023#)", 1, "DateDiff(""ww"", #1/2/2023#, #1/7/2023#)", 0, _
  "DateDiff(""ww"", #1/2/2023#, #1/9/2023#, vbMonday)", 1, "DateDiff(""ww"", #1/3/2023#, #1/9/2023#, vbMonday)", 1, _
  "DateDiff(""w"", #1/1/2023#, #1/7/2023#)", 0, "DateDiff(""w"", #1/1/2023#, #1/8/2023#)", 1, _
  "getVT(DateDiff(""d"", #1/1/2023#, #1/3/2023#))", "VT_I4", "DateDiff(""s"", #1/1/100#, #12/31/9999#)", "error 6")

' DatePart, Weekday and the names, with first day of week and first week of year
CheckTable Array( _
  "DatePart(""w"", #1/1/2023#)", 1, "DatePart(""w"", #1/1/2023#, vbMonday)", 7, "DatePart(""y"", #3/1/2024#)", 61, _
  "DatePart(""ww"", #1/1/2023#)", 1, "DatePart(""ww"", #12/31/2023#)", 53, _
  "DatePart(""ww"", #1/1/2021#, vbMonday, vbFirstFourDays)", 53, _
  "DatePart(""ww"", #12/31/2024#, vbMonday, vbFirstFullWeek)", 53, "DatePart(""h"", #1:02:03 PM#)", 13, _
  "DatePart(""ww"", Now, 1, 4)", "error 5", "Weekday(#1/1/2023#, vbMonday)", 7, "Weekday(Now, 8)", "error 5", _
  "WeekdayName(1, True)", "Sun", "WeekdayName(1, False, vbMonday)", "Monday", "WeekdayName(8)", "error 5", _
  "MonthName(1)", "January", "MonthName(13)", "error 5", "IsNull(Year(Null))", True, "Hour(""13:45"")", 13)

' DateSerial and TimeSerial carry over; two-digit years; out of range raises
CheckTable Array( _
  "DateSerial(2000, 0, 0)", #11/30/1999#, "DateSerial(99, 1, 1)", #1/1/1999#, _
  "DateSerial(2000, 1, -1)", #12/30/1999#, "DateSerial(2024, 2, 30)", #3/1/2024#, _
  "DateSerial(10000, 1, 1)", "error 5", "TimeSerial(25, 0, 0)", CDate(1 + 1 / 24), _
  "DateValue(""2001-02-03"")", #2/3/2001#, "DateValue(""abc"")", "error 13", _
  "TimeValue(""1:02:03 PM"")", #1:02:03 PM#, "#2001-02-03 10:00:00#", #2/3/2001 10:00:00 AM#)

' FormatDateTime, FormatNumber, FormatCurrency, FormatPercent
CheckTable Array( _
  "FormatDateTime(#1/2/2006 3:04:05 PM#)", "1/2/2006 3:04:05 PM", "FormatDateTime(#1/2/2006#)", "1/2/2006", _
  "FormatDateTime(#3:04:05 PM#)", "3:04:05 PM", "FormatDateTime(#3:04:05 AM#, vbShortTime)", "03:04", _
  "FormatDateTime(#3:04:05 PM#, vbLongTime)", "3:04:05 PM", "FormatDateTime(Now, 99)", "error 5", _
  "FormatNumber(2.5, 0)", "3", "FormatNumber(-0.5, 0)", "-1", "FormatNumber(0, 2)", "0.00", _
  "FormatNumber(""1234.5"")", "1,234.50", "FormatNumber(-0.5, 2, vbFalse)", "-.50", _
  "FormatNumber(-0.5, 2, vbTrue, vbTrue)", "(0.50)", "FormatNumber(True)", "-1.00", "FormatNumber(Empty)", "0.00", _
  "FormatNumber(""abc"")", "error 13", "FormatNumber(1.5, -1)", "1.50", _
  "FormatPercent(0.5, 0)", "50%", "FormatPercent(-0.5, 1)", "-50.0%", _
  "FormatCurrency(1234.567, 2)", "$1,234.57", "FormatCurrency(-1234.5, 2, , vbFalse)", "-$1,234.50")
