' Literals, subtypes, operators and implicit variables
ok getVT(1) = "VT_I2", "literal 1 is Integer"
ok getVT(40000) = "VT_I4", "literal 40000 is Long"
ok getVT(1.5) = "VT_R8", "1.5 is Double"
ok getVT(&HFF) = "VT_I2", "&HFF is Integer"
ok &HFF = 255, "&HFF value"
ok &HFFFF = -1, "&HFFFF is -1"
ok &H8000 = -32768, "&H8000"
ok getVT(&H10000) = "VT_I4", "&H10000 is Long"
ok &O17 = 15, "octal"
ok getVT("a") = "VT_BSTR", "string"
ok getVT(True) = "VT_BOOL", "boolean"
ok True = -1, "True is -1"
ok CInt(True) = -1, "CInt(True)"
ok getVT(Empty) = "VT_EMPTY", "Empty"
ok getVT(Null) = "VT_NULL", "Null"
ok getVT(Nothing) = "VT_DISPATCH", "Nothing"
ok getVT(#1/2/2003#) = "VT_DATE", "date literal"
ok Year(#1/2/2003#) = 2003, "date literal value"
ok "a""b" = "a" & Chr(34) & "b", "doubled quotes"
ok Len("a""b") = 3, "escaped quote length"
ok 1 + 2 * 3 = 7, "precedence * over +"
ok 2 ^ 3 ^ 2 = 64, "^ is left associative"
' The reference's precedence table puts ^ above negation; the Windows engine negates
' first, and scripts written against it count on that.
ok -2 ^ 2 = 4, "unary minus binds tighter than ^"
ok 2 ^ -1 = 0.5, "unary minus on the exponent"
ok 7 \ 2 = 3, "integer division"
ok 7 Mod 3 = 1, "Mod"
ok 10 - 2 - 3 = 5, "left to right"
ok 1 & 2 = "12", "concatenation of numbers"
ok "1" + 2 = 3, "string plus number"
ok "a" + "b" = "ab", "string plus string"
ok getVT(32767 + 1) = "VT_I4", "Integer overflow promotes to Long"
ok getVT(2147483647 + 1) = "VT_R8", "Long overflow promotes to Double"
ok getVT(100 * 100) = "VT_I2", "Integer product"
ok getVT(300 * 300) = "VT_I4", "Integer product overflow"
ok getVT(1 / 1) = "VT_R8", "division gives Double"
ok Not True = False, "Not"
ok (True And False) = False, "And"
ok (5 And 3) = 1, "bitwise And"
ok (5 Or 3) = 7, "bitwise Or"
ok (5 Xor 3) = 6, "Xor"
ok (True Eqv True) = True, "Eqv"
ok (False Imp False) = True, "Imp"
ok Not 1 = 2 = True, "Not binds looser than ="
ok IsNull(Null + 1), "Null propagates through +"
ok IsNull(Null = 1), "Null comparison"
ok Null & "x" = "x", "Null & string"
ok IsNull(Null & Null), "Null & Null"
ok "abc" < "abd", "string comparison"
ok Empty = 0, "Empty equals 0"
ok Empty = "", "Empty equals empty string"
ok 1 < 2 And 2 < 3, "comparison before And"
x = 5
ok x = 5, "implicit variable"
ok getVT(undefinedThing) = "VT_EMPTY", "undefined variable reads Empty"
a = 1 : b = 2 : c = a + b
ok c = 3, "colon separators"
d = 1 + _
    2
ok d = 3, "line continuation"
Rem a comment line
ok True, "after Rem" ' trailing comment
ok [my var] = Empty, "bracketed identifier"
[my var] = 3
ok [my var] = 3, "bracketed identifier assignment"
ok 1.5E3 = 1500, "exponent literal"
ok .5 = 0.5, "leading dot number"
ok -32768 = -32768, "negative literal"
ok 5 = 5.0, "Integer equals Double"
' Literals are hard typed: a string variable compared with a number literal
' becomes a number, two variables compare by subtype (a number is less than a string).
s = "10"
n = 10
ok s = 10, "soft string against hard number"
ok ("10" = n) = True, "hard string against soft number: the number becomes a string"
ok (s = n) = False, "two soft values: a number is never equal to a string"
ok (s > n) = True, "two soft values: the string is greater"
ok ("10" = 10) = True, "two hard values: the string becomes a number"
Select Case s
  Case 10
    sel = "number"
  Case Else
    sel = "else"
End Select
ok sel = "number", "Select Case applies the same rule"
