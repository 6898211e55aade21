' The byte functions over a text's UTF-16 form, conversions at the edges the language
' reference names, and RegExp.Replace with a replacement that is no string.
' Each table row is an expression and the value it must give; "error N" when it raises N.

euro = ChrW(&H20AC)          ' one UTF-16 unit: bytes AC 20
clef = ChrW(&HD834) & ChrW(&HDD1E)
CheckTable Array( _
  "LenB(""abc"")", 6, "LenB("""")", 0, "LenB(euro)", 2, "LenB(""a"" & euro)", 4, _
  "TypeName(LenB(""a""))", "Long", "IsNull(LenB(Null))", True, "LenB(12)", 4, _
  "LeftB(""abc"", 4)", "ab", "LeftB(""abc"", 0)", "", "LeftB(""abc"", 99)", "abc", _
  "LeftB(""abc"", -1)", "error 5", "RightB(""abc"", 2)", "c", "RightB(""abc"", 99)", "abc", _
  "MidB(""abc"", 3, 2)", "b", "MidB(""abc"", 3)", "bc", "MidB(""abc"", 7)", "", _
  "MidB(""abc"", 0)", "error 5", "MidB(""a"" & euro & ""b"", 3, 2)", euro, _
  "InStrB(""abc"", ""c"")", 5, "InStrB(3, ""abcb"", ""b"")", 3, "InStrB(4, ""abcb"", ""b"")", 7, _
  "InStrB(""abc"", ""x"")", 0, "InStrB(""abc"", """")", 1, "InStrB("""", ""a"")", 0, _
  "InStrB(""a"" & euro, euro)", 3, "IsNull(InStrB(Null, ""a""))", True, _
  "AscB(""A"")", 65, "AscB(euro)", &HAC, "AscB("""")", "error 5", "TypeName(AscB(""A""))", "Byte", _
  "ChrB(256)", "error 6", "ChrB(-1)", "error 6", _
  "LenB(clef)", 4, "LeftB(clef, 4)", clef, "LeftB(clef, 2)", ChrW(&HFFFD))

' A byte string holds single bytes: one of an odd length keeps its last byte, which
' pairs with the next byte a concatenation puts after it.
CheckTable Array( _
  "LenB(LeftB(""ABC"", 3))", 3, "LenB(RightB(""ABC"", 3))", 3, "LenB(MidB(""ABC"", 2, 1))", 1, _
  "LenB(ChrB(65))", 1, "AscB(ChrB(65))", 65, "AscB(ChrB(255))", 255, "TypeName(ChrB(0))", "String", _
  "ChrB(65) = ""A""", False, "LenB(ChrB(65) & ChrB(66))", 2, "LenB(ChrB(65) & ""BC"")", 5, _
  "MidB(ChrB(65) & ChrB(0), 1, 2)", "A", "AscB(MidB(LeftB(""ABC"", 3), 3, 1))", &H42, _
  "LeftB(""ABC"", 3) = ""A"" & ChrB(66)", True, "InStrB(""x"" & ChrB(7) & ChrB(9), ChrB(9))", 4, _
  "AscB(MidB(ChrB(1) & ChrB(2) & ChrB(3), 2, 1))", 2)

' vbDatabaseCompare exists (its value; the string functions take only 0 and 1).
ok vbDatabaseCompare = 2, "vbDatabaseCompare"

' CByte rounds half to even and takes 0 to 255 only; CBool is False only for zero and
' fails on text that is no number or Boolean name; CDate takes numbers as day counts
' (the fraction a time of day) and recognises date and time texts, but not a long date
' with the day of the week.
CheckTable Array( _
  "CByte(125.5678)", 126, "CByte(0.5)", 0, "CByte(1.5)", 2, "CByte(255.4)", 255, _
  "CByte(255.5)", "error 6", "CByte(-0.4)", 0, "CByte(-0.6)", "error 6", "CByte(True)", 255, _
  "TypeName(CByte(True))", "Byte", "CByte(False)", 0, _
  "CByte(""&HFF"")", 255, "CByte("""")", "error 13", "CByte(Null)", "error 94", _
  "TypeName(CByte(Empty))", "Byte", _
  "CBool(0)", False, "CBool(-0.1)", True, "CBool(""0"")", False, "CBool("" true "")", True, _
  "CBool(""1.5"")", True, "CBool(Empty)", False, "CBool(Null)", "error 94", "CBool(""abc"")", "error 13", _
  "CBool("""")", "error 13", "CBool(#1/1/1900#)", True, _
  "CDate(1.5)", #12/31/1899 12:00:00 PM#, "CDate(-1.5)", #12/29/1899 12:00:00 PM#, _
  "CDate(""October 19, 1962"")", #10/19/1962#, "CDate(""4:35:47 PM"")", #4:35:47 PM#, _
  "CDate(""1/2/2000 13:00"")", #1/2/2000 1:00:00 PM#, "TypeName(CDate(Empty))", "Date", _
  "CDate(2958465)", #12/31/9999#, "CDate(2958466)", "error 6", "CDate(""abc"")", "error 13", _
  "CDate(""32/1/2000"")", "error 13", "CDate(Null)", "error 94", _
  "CDate(""Tuesday, October 19, 1962"")", "error 13")

' Where the Windows engine goes past the reference: CByte(True) is the Byte 255 (not
' overflow), a number's text converts to a date as the number does, and the texts
' "#TRUE#" and "#FALSE#" are Booleans, in CBool and in a condition alike.
Function Taken(cond)
  Taken = False
  If cond Then Taken = True
End Function
CheckTable Array( _
  "CDate(""1"")", #12/31/1899#, "TypeName(CDate(""1""))", "Date", "CDate("" 2.5 "")", #1/1/1900 12:00:00 PM#, _
  "CDate(""1e9"")", "error 6", "CDate(""1x"")", "error 13", _
  "CBool(""#TRUE#"")", True, "CBool(""#false#"")", False, "CBool(""#FALSE#"")", False, _
  "CBool(""#TRUE"")", "error 13", "Taken(""#TRUE#"")", True, "Taken(""#FALSE#"")", False)

' RegExp.Replace with a Boolean or number replacement inserts its text.
Set re = New RegExp
re.Pattern = "b"
yes = True
CheckTable Array( _
  "re.Replace(""abc"", True)", "aTruec", "re.Replace(""abc"", yes)", "aTruec", _
  "re.Replace(""abc"", False)", "aFalsec", "re.Replace(""abc"", 1.5)", "a1.5c")
