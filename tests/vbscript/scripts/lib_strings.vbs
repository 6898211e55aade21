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
