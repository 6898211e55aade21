' Comparisons of mixed subtypes, operator precedence, and the subtypes operators,
' literals and constants give, where the Windows engine's results are what scripts meet.
' Each table row is an expression and the value it must give; "error N" when it raises N.

' A string against a Boolean where one side is a literal or a constant compares the
' string with CStr of the Boolean, letter case counting; no type mismatch. Where neither
' side is, the Boolean counts as a number and the string is greater, as against a number
' held in a variable (the reference gives the CStr rule for both).
t = True: f = False: sTrue = "True": sLower = "true": sFive = "5": nFive = CInt(5)
Const cTrue = True, cTrueText = "True"
CheckTable Array( _
  """True"" = True", True, """true"" = True", False, """False"" = False", True, _
  """abc"" = True", False, """True"" <> True", False, "True = ""True""", True, _
  "sTrue = True", True, """True"" = t", True, "f = ""False""", True, _
  "sTrue = cTrue", True, "cTrueText = t", True, "sTrue > True", False, _
  "sTrue = t", False, "sTrue > t", True, "sTrue < t", False, "t = sTrue", False, _
  "t < sTrue", True, "sTrue <> t", True, "sLower = t", False, "f = sTrue", False, _
  "sFive = nFive", False, "sFive > nFive", True, "nFive < sFive", True, _
  """Z"" > True", True, "IsNull(Null = True)", True)
' The same in a chain of one level (the flat form) and as a Select Case test.
Function CaseOfBool(v)
  CaseOfBool = "none"
  Select Case v
    Case sTrue: CaseOfBool = "text variable"
    Case "True": CaseOfBool = "text literal"
  End Select
End Function
CheckTable Array("(sTrue = t) = False", True, "(sTrue > t) = True", True, _
  "CaseOfBool(True)", "text literal", "CaseOfBool(""True"")", "text variable")

' Only a number written as a literal makes a string side convert (and fail); a negated
' literal is an expression, which turns into text beside a string literal. A Select Case
' value is held like a variable, so Case "text" against it raises nothing either.
n = 5
CheckTable Array( _
  """abc"" = -5", False, """abc"" < -5", False, "-5 < ""abc""", True, """abc"" = n", False, _
  """abc"" = 5", "error 13", """5"" = 5", True, """-5"" = -5", True, "-5 = ""-5""", True)
Function CaseOf(v)
  Select Case v
    Case "test": CaseOf = "text"
    Case 3: CaseOf = "three"
    Case Else: CaseOf = "else"
  End Select
End Function
Function CaseOfLiteral()
  Select Case 3
    Case "test": CaseOfLiteral = "text"
    Case 3: CaseOfLiteral = "three"
  End Select
End Function
CheckTable Array("CaseOf(3)", "three", "CaseOf(""test"")", "text", "CaseOfLiteral()", "three")

' Negation binds tighter than ^ in the Windows engine (the reference's precedence table
' lists ^ first, but scripts count on the engine).
CheckTable Array( _
  "-3 ^ 2", 9, "-(3 ^ 2)", -9, "0 - 3 ^ 2", -9, "2 ^ -1", 0.5, "-2 ^ 3", -8, _
  "-n ^ 2", 25, "2 * -3 ^ 2", 18, "Not 0 ^ 2", -1)

' Subtypes: logical operators with Empty give Long (Not Empty too); a &H or &O
' literal up to &H7FFF is an Integer, & or not (the reference: & makes it Long); above, a
' Long, of four hex digits or fewer without & a 16-bit pattern (&H8000 is -32768), with &
' the number written; the colour constants are Long.
CheckTable Array( _
  "TypeName(Empty And 1)", "Long", "TypeName(Empty Or Empty)", "Long", _
  "TypeName(Empty Xor True)", "Long", "TypeName(1 Or Empty)", "Long", "Empty Or 6", 6, _
  "TypeName(Not Empty)", "Long", "TypeName(1 And 3)", "Integer", _
  "&H8000", -32768, "VarType(&H8000)", 3, "&HFFFF", -1, "TypeName(&HFFFF)", "Long", _
  "VarType(&h10&)", 2, "&h10&", 16, "VarType(&H7FFF&)", 2, "&H8000&", 32768, _
  "VarType(&H8000&)", 3, "&HFFFF&", 65535, "TypeName(&H10000)", "Long", "&HFFFFFFFF", -1, _
  "VarType(&H7FFF)", 2, "&O100000", -32768, "&O100000&", 32768, "VarType(&O77)", 2, _
  "TypeName(vbBlack)", "Long", "TypeName(vbRed)", "Long", "vbRed", 255, "vbWhite", 16777215, _
  "TypeName(vbTextCompare)", "Integer", "vbDatabaseCompare", 2)

' A keyword may follow a hexadecimal literal at once.
Execute "hexOr = &h01or&h02 : hexXor = &H0CXor&H0A&Mod&O7"
CheckTable Array("hexOr", 3, "hexXor", 15)
' An 8 or 9 among the digits of an octal literal is a syntax error (1002), not the end of it.
CheckTable Array("Eval(""&19"")", "error 1002", "Eval(""&O78"")", "error 1002", "Eval(""&17"")", 15)
