' Conversions, the tests of a value's kind, and the texts numbers and dates convert to.
' Each table row is an expression and the value it must give; "error N" when it raises N.

' CStr and & of each subtype
CheckTable Array( _
  "CStr(1.5)", "1.5", "CStr(-0.5)", "-0.5", "CStr(1 / 3)", "0.333333333333333", _
  "CStr(0.0001)", "0.0001", "CStr(0.00001)", "1E-05", "CStr(1E+15)", "1E+15", _
  "CStr(123456789012345)", "123456789012345", "CStr(1234567890123456)", "1.23456789012346E+15", _
  "CStr(0.1 + 0.2)", "0.3", "CStr(CSng(1 / 3))", "0.3333333", "CStr(CSng(123456789))", "1.234568E+08", _
  "CStr(CCur(12345.6789))", "12345.6789", "CStr(CCur(1.23456))", "1.2346", "CStr(CCur(-0.0001))", "-0.0001", _
  "CStr(#1/1/2000#)", "1/1/2000", "CStr(#1/1/2000 1:00 PM#)", "1/1/2000 1:00:00 PM", _
  "CStr(#1:00 PM#)", "1:00:00 PM", "CStr(CDate(0))", "12:00:00 AM", _
  "CStr(CDate(-1.5))", "12/29/1899 12:00:00 PM", "CStr(#1/1/100#)", "1/1/0100", _
  "CStr(True)", "True", "CStr(Empty)", "", "CStr(Null)", "error 94", _
  """x"" & #2/3/2001#", "x2/3/2001", """x"" & 1.5 & True", "x1.5True")

' Hex and Oct: rounded to a whole number, negative values in two's complement of their size
CheckTable Array( _
  "Hex(255)", "FF", "Hex(-1)", "FFFF", "Hex(-32769)", "FFFF7FFF", "Hex(65536)", "10000", _
  "Hex(1.5)", "2", "Hex(2.5)", "2", "Hex(""255"")", "FF", "Hex(Empty)", "0", _
  "Hex(-2147483647 - 1)", "80000000", "Hex(1E+300)", "error 6", "IsNull(Hex(Null))", True, _
  "Oct(8)", "10", "Oct(-1)", "177777", "Oct(-8)", "177770")

' Conversions: rounding to even, ranges, texts
CheckTable Array( _
  "CInt(2.5)", 2, "CInt(3.5)", 4, "CInt(-32768.5)", -32768, "CInt(32767.5)", "error 6", _
  "CByte(254.5)", 254, "CByte(256)", "error 6", "CByte(-1)", "error 6", _
  "CLng(""1,000"")", 1000, "CInt(""&HFF"")", 255, "CDbl(""&H10"")", 16, "CDbl("" 12 "")", 12, _
  "CDbl(""1e3"")", 1000, "CDbl("""")", "error 13", "CLng(Null)", "error 94", "CInt(Empty)", 0, _
  "CBool(""True"")", True, "CBool(""1"")", True, "CBool(""yes"")", "error 13", "CLng(True)", -1, _
  "CDate(36526)", #1/1/2000#, "CDate(""2000-01-31"")", #1/31/2000#, _
  "CDate(""January 5, 2001"")", #1/5/2001#, "CDate(""5 Jan 2001"")", #1/5/2001#, _
  "CDate(""abc"")", "error 13", "CDate(1E+10)", "error 6", "CCur(1E+16)", "error 6", _
  "CSng(1E+300)", "error 6", "CLng(1E+300)", "error 6")

' IsNumeric, IsDate and the other tests
CheckTable Array( _
  "IsNumeric(""12.5"")", True, "IsNumeric("" 5 "")", True, "IsNumeric(""1e5"")", True, _
  "IsNumeric(""&H10"")", True, "IsNumeric(""1,000"")", True, "IsNumeric(""$1"")", True, _
  "IsNumeric(""(1)"")", True, "IsNumeric("".5"")", True, "IsNumeric(""-5"")", True, _
  "IsNumeric("""")", False, "IsNumeric(""1e"")", False, "IsNumeric(""--1"")", False, _
  "IsNumeric(Empty)", True, "IsNumeric(Null)", False, "IsNumeric(True)", True, _
  "IsDate(""January 5, 2001"")", True, "IsDate(""Feb 30, 2001"")", False, "IsDate(#1/1/2000#)", True, _
  "IsObject(Nothing)", True, "IsEmpty(Null)", False, "IsArray(Array())", True)

' TypeName and VarType; an object with a default property reports that property's type
Class WithDefault
  Public Default Property Get Value()
    Value = 42
  End Property
End Class
Class Plain
End Class
CheckTable Array( _
  "TypeName(1)", "Integer", "TypeName(70000)", "Long", "TypeName(CSng(1))", "Single", _
  "TypeName(1.5)", "Double", "TypeName(CCur(1))", "Currency", "TypeName(Now)", "Date", _
  "TypeName("""")", "String", "TypeName(True)", "Boolean", "TypeName(CByte(1))", "Byte", _
  "TypeName(Empty)", "Empty", "TypeName(Null)", "Null", "TypeName(Nothing)", "Nothing", _
  "TypeName(Array())", "Variant()", "TypeName(Split(""a""))", "String()", _
  "TypeName(New Plain)", "Plain", "TypeName(CreateObject(""Scripting.Dictionary""))", "Dictionary", _
  "VarType(Array())", vbArray + vbVariant, "VarType(New Plain)", vbObject, "VarType(Nothing)", vbObject, _
  "VarType(New WithDefault)", vbInteger, "VarType(New RegExp)", vbObject)
