' String functions: character counting, Null handling, search, split and join
ok Len("héllo") = 5, "Len counts characters"
ok IsNull(Len(Null)), "Len(Null) is Null"
ok getVT(Len("abc")) = "VT_I4", "Len gives a Long"
ok Left("日本語", 2) = "日本", "Left on non-ASCII text"
ok Right("grüße", 3) = "üße", "Right on non-ASCII text"
ok Mid("grüße", 3, 2) = "üß", "Mid with length"
ok Mid("abc", 2) = "bc", "Mid without length"
ok IsNull(Mid(Null, 1)), "Mid(Null) is Null"
ok InStr("abcabc", "c") = 3, "InStr"
ok InStr(4, "abcabc", "c") = 6, "InStr with start"
ok InStr(1, "ABC", "b", vbTextCompare) = 2, "InStr text compare"
ok InStr(1, "ABC", "b", vbBinaryCompare) = 0, "InStr binary compare"
ok InStr("abc", "") = 1, "InStr of an empty string"
ok InStrRev("abcabc", "b") = 5, "InStrRev"
ok InStrRev("abcabc", "b", 4) = 2, "InStrRev with start"
ok Replace("a-b-c", "-", "+") = "a+b+c", "Replace"
ok Replace("a-b-c", "-", "+", 2) = "+b+c", "Replace drops what comes before start"
ok Replace("a-b-c", "-", "", 1, 1) = "ab-c", "Replace with count"
ok Replace("aXbxc", "x", "_", 1, -1, vbTextCompare) = "a_b_c", "Replace text compare"
ok UCase("äbc") = "ÄBC", "UCase of non-ASCII letters"
ok LCase("ÄBC") = "äbc", "LCase of non-ASCII letters"
ok Trim("  a  ") = "a", "Trim"
ok LTrim("  a ") = "a ", "LTrim"
ok RTrim(" a  ") = " a", "RTrim"
ok Space(3) = "   ", "Space"
ok String(3, "x") = "xxx", "String"
ok StrReverse("abç") = "çba", "StrReverse"
ok StrComp("a", "B") = 1, "StrComp binary"
ok StrComp("a", "B", vbTextCompare) = -1, "StrComp text"
ok Asc("A") = 65, "Asc"
ok AscW("€") = 8364, "AscW"
ok Chr(65) = "A", "Chr"
ok ChrW(8364) = "€", "ChrW"
ok Hex(255) = "FF", "Hex"
ok Hex(-1) = "FFFF", "Hex of an Integer"
ok Oct(8) = "10", "Oct"
ok Escape("a b") = "a%20b", "Escape"
ok Unescape("a%20b%u20AC") = "a b€", "Unescape"

Dim parts
parts = Split("a,b,c", ",")
ok UBound(parts) = 2, "Split count"
ok parts(1) = "b", "Split item"
ok getVT(parts) = "VT_ARRAY|VT_BSTR", "Split gives a String array"
ok UBound(Split("")) = -1, "Split of an empty string"
ok UBound(Split("a,b,c", ",", 2)) = 1, "Split with count"
ok Join(parts, "-") = "a-b-c", "Join"
ok Join(Array(1, 2)) = "1 2", "Join with the default delimiter"
ok UBound(Filter(Array("Apple", "banana", "apricot"), "ap")) = 0, "Filter binary"
ok UBound(Filter(Array("Apple", "banana", "apricot"), "ap", True, vbTextCompare)) = 1, "Filter text"
ok UBound(Filter(Array("Apple", "banana"), "an", False)) = 0, "Filter exclude"

Dim n
On Error Resume Next
n = Left("abc", -1)
ok Err.Number = 5, "Left with a negative length raises 5"
Err.Clear
n = StrReverse(Null)
ok Err.Number = 94, "StrReverse(Null) raises 94"
Err.Clear
n = Asc("")
ok Err.Number = 5, "Asc of an empty string raises 5"
On Error GoTo 0

' Edge cases: CheckTable rows of an expression and its value ("error N" when it raises N)
' Mid, Left, Right, InStr, InStrRev: positions count from 1; zero or negative ones raise 5
CheckTable Array( _
  "Mid(""abc"", 5)", "", "Mid(""abc"", 2, 100)", "bc", "Mid(""abc"", 0)", "error 5", _
  "Mid(""abc"", 1, -1)", "error 5", "Mid(""abc"", 2147483647)", "", "Left(""abc"", 10)", "abc", _
  "Right(""abc"", 0)", "", "Left(""abc"", 2147483647)", "abc", "IsNull(Left(Null, 1))", True, _
  "InStr(0, ""abc"", ""a"")", "error 5", "InStr(2, ""abc"", """")", 2, "InStr(4, ""abc"", ""a"")", 0, _
  "InStr(1, """", ""a"")", 0, "IsNull(InStr(Null, ""a""))", True, "IsNull(InStr(""abc"", Null))", True, _
  "InStrRev(""abc"", """")", 3, "InStrRev(""abcabc"", ""c"", 5)", 3, "InStrRev(""abcabc"", ""bc"", 2)", 0, _
  "InStrRev(""abc"", ""a"", 0)", "error 5", "InStrRev(""aXbx"", ""x"", -1, vbTextCompare)", 4, _
  "getVT(InStr(""a"", ""a""))", "VT_I4", "getVT(Left(""a"", 1))", "VT_BSTR", "getVT(LCase(123))", "VT_BSTR")

' Replace: start drops what comes before it, count limits, the compare mode
CheckTable Array( _
  "Replace(""abcabc"", ""b"", ""X"", 3)", "caXc", "Replace(""aaaa"", ""aa"", ""b"")", "bb", _
  "Replace(""abc"", """", ""x"")", "abc", "Replace("""", ""a"", ""b"")", "", _
  "Replace(""aaa"", ""a"", ""b"", 1, 0)", "aaa", "Replace(""abc"", ""a"", ""b"", 1, -2)", "error 5", _
  "Replace(""abc"", ""a"", ""b"", 0)", "error 5", "Replace(""abc"", ""a"", ""b"", 2147483647)", "", _
  "Replace(Null, ""a"", ""b"")", "error 94", "Replace(""AbA"", ""a"", ""x"", 1, 1, vbTextCompare)", "xbA")

' Split, Join, Filter
CheckTable Array( _
  "UBound(Split(""a,,b"", "",""))", 2, "UBound(Split(""abc"", """"))", 0, "Split(""a b  c"")(3)", "c", _
  "Split(""aXbxc"", ""x"", -1, vbTextCompare)(2)", "c", "Join(Split(""a|b|c"", ""|"", 2), "";"")", "a;b|c", _
  "UBound(Split(""a,b"", "","", 0))", -1, "UBound(Split(""a,b"", "","", -2))", "error 5", _
  "Join(Array())", "", "Join(Array(1, True, 1.5), "","")", "1,True,1.5", "Join(""abc"")", "error 13", _
  "UBound(Filter(Array(""a"", ""b""), ""z""))", -1, "Filter(Null, ""a"")", "error 94", _
  "Join(Filter(Array(""Ab"", ""cd"", ""aB""), ""ab"", False, vbTextCompare))", "cd")

' Character codes, String, Space, StrComp, Escape
CheckTable Array( _
  "Asc(""ABC"")", 65, "Asc(""€"")", 128, "Chr(128)", "€", "Chr(256)", "error 5", "ChrW(65536)", "error 5", _
  "AscW(ChrW(&HFFFF))", -1, "getVT(Asc(""a""))", "VT_I2", "String(3, 65)", "AAA", "String(2, ""abc"")", "aa", _
  "String(2, """")", "error 5", "String(-1, ""a"")", "error 5", "Space(-1)", "error 5", _
  "Len(Space(2147483647))", "error 14", "StrComp(""a"", ""a"")", 0, "IsNull(StrComp(Null, ""a""))", True, _
  "Escape(""ä€"")", "%E4%u20AC", "Escape(""@*_+-./~!"")", "@*_+-./%7E%21", "Unescape(""%zz%E4"")", "%zzä", _
  "LTrim(vbTab & "" a"")", vbTab & " a", "StrReverse("""")", "", "Len(-1.5)", 4, "Len(Empty)", 0)

' A later argument's default member that changes the text does not change what Split and
' Replace read: the long text they were given is kept.
Class TextChanger
  Public Default Property Get Value()
    longText = "changed"
    Value = ","
  End Property
End Class
Set changer = New TextChanger
longText = String(100, "a") & ",b"
ok Join(Split(longText, changer), "|") = String(100, "a") & "|b", "Split keeps its text"
longText = String(100, "a") & ",b"
ok Replace(longText, changer, ";") = String(100, "a") & ";b", "Replace keeps its text"
