' Operators, assignments, array elements and loops on local variables and fields,
' which the engine reads where they stand: the results and subtypes must be those
' of the same operations on any other operands.

' x Mod <literal> against x Mod <variable holding the same literal>.
Function ModByLiteral(x, lit)
  ModByLiteral = Eval("x Mod " & lit)
End Function

Sub CheckModuloByLiterals()
  Dim xs, lits, x, lit, d, a, b, bad
  xs = Array(0, 1, -1, 7, -7, 32767, -32768, 65535, 2147483647, -2147483647, CLng("-2147483648"), _
             1000003, -1000004, 123456789, -987654321, CInt(-5), 12.5, -12.5, "44")
  lits = Array("2", "3", "7", "97", "1000", "1000003", "32767", "65536", "2147483647", "-2", "-7", "-1000003")
  bad = ""
  For Each lit In lits
    d = Eval(lit)
    For Each x In xs
      a = ModByLiteral(x, lit)
      b = x Mod d
      If a <> b Or VarType(a) <> VarType(b) Then bad = bad & " " & x & " Mod " & lit
    Next
  Next
  ok bad = "", "Mod by a literal as by a variable:" & bad
  On Error Resume Next
  a = ModByLiteral(1, "0")
  ok Err.Number = 11, "Mod by a literal 0: error 11"
  Err.Clear
  a = ModByLiteral(Null, "3")
  ok Err.Number = 0 And IsNull(a), "Null Mod literal is Null"
End Sub
CheckModuloByLiterals

Sub CheckArithmetic()
  Dim i, j, s, t, big, h
  i = 32767 : j = 1
  ok getVT(i + j) = "VT_I4" And i + j = 32768, "Integer + Integer overflows into Long"
  big = 2147483647
  ok getVT(big + j) = "VT_R8", "Long + Integer overflows into Double"
  ok getVT(i * i) = "VT_I4", "Integer product into Long"
  On Error Resume Next
  s = CLng("-2147483648") \ -1
  ok Err.Number = 6, "the smallest Long \ -1 overflows"
  Err.Clear
  On Error GoTo 0
  ok -7 \ 2 = -3 And getVT(CInt(-7) \ CInt(2)) = "VT_I2", "\ truncates toward zero"
  ok 7.5 \ 2 = 4, "\ rounds its operands"
  ok getVT(i / j) = "VT_R8", "/ gives a Double"
  ' Chains of one precedence level, short (nested) and long (flat), give the same sums.
  s = 0 : t = 1
  s = t + t + t + t + t + t + t + t + t + t + t + t + t + t + t + t + t + t + t + t + t + t + t + t + t + t + t + t + t + t
  ok s = 30, "a chain of 30 additions"
  s = t - t - t - t - t - t - t - t - t - t - t - t - t - t - t - t - t - t - t - t
  ok s = -18, "subtraction stays left to right in long chains"
  s = 2 * t * 3 \ 2 * 5 Mod 7
  ok s = 0, "mixed precedence: ((2*1*3) \ (2*5)) Mod 7"
  ' A literal is "hard": a string variable compared with a number literal becomes a number.
  h = "10"
  ok h > 9, "string variable > number literal compares as numbers"
  ok h < "9", "string variable < string literal compares as text"
  t = 9
  ok h > t, "string variable against a number variable: the number is less"
  ok (h = 10) And Not (h = t), "= with a literal and with a variable"
End Sub
CheckArithmetic

' Assignments of variables and literals straight into variables and elements.
Sub CheckAssignments()
  Dim a(3), s, t, i
  s = "first"
  a(1) = s
  s = "second"
  ok a(1) = "first", "an element keeps its own copy of the string"
  t = s
  s = s & "!"
  ok t = "second" And s = "second!", "a variable keeps its own copy"
  s = s
  a(1) = a(1)
  ok s = "second!" And a(1) = "first", "assigning a value to itself"
  i = 2
  a(i) = 5
  a(i) = "text over number"
  ok a(2) = "text over number", "a string over a number"
  a(i) = 7
  ok a(2) = 7 And getVT(a(2)) = "VT_I2", "a number over a string"
  On Error Resume Next
  a(4) = 1
  ok Err.Number = 9, "an element past the end: error 9"
  Err.Clear
End Sub
CheckAssignments

' Array elements of fields whose index runs code that changes the field.
Class Holder
  Public items
  Private Sub Class_Initialize()
    ReDim items(2)
  End Sub
  Function Spoil()
    items = "no longer an array"
    Spoil = 1
  End Function
  Function Grow()
    ReDim Preserve items(10)
    Grow = 9
  End Function
  Function ReadThroughSpoil()
    On Error Resume Next
    Dim x
    x = items(Spoil())
    ReadThroughSpoil = Err.Number
  End Function
  Function WriteThroughGrow()
    items(Grow()) = "late"
    WriteThroughGrow = items(9)
  End Function
End Class

Sub CheckElementIndexesThatRunCode()
  Dim h
  Set h = New Holder
  ok h.ReadThroughSpoil() = 13, "the variable is looked at after its index ran: error 13"
  Set h = New Holder
  ok h.WriteThroughGrow() = "late", "an index that grows the array reaches the new element"
End Sub
CheckElementIndexesThatRunCode

Sub CheckForCounters()
  Dim i, n
  n = 0
  For i = 32766 To 32768
    n = n + 1
  Next
  ok n = 3 And i = 32769 And getVT(i) = "VT_I4", "an Integer counter steps into Long"
  n = 0
  For i = 5 To 1 Step -2
    n = n + i
  Next
  ok n = 9 And i = -1, "a negative step"
  n = 0
  For i = 1 To 10
    If i = 3 Then i = 8.5
    n = n + 1
  Next
  ok n = 4 And i = 10.5, "a counter the body sets to a Double goes on as a Double"
  n = 0
  For i = 1 To 3
    If i = 2 Then i = "2"
    n = n + 1
  Next
  ok n = 3, "a counter the body sets to a string"
End Sub
CheckForCounters

' With blocks nested in a procedure, left early and through errors.
Class Pair
  Public first, second
End Class

Function WithNesting()
  Dim p, q
  Set p = New Pair
  Set q = New Pair
  With p
    .first = 1
    With q
      .first = 2
    End With
    .second = 3
    If .second = 3 Then
      WithNesting = p.first & q.first & p.second
      Exit Function
    End If
  End With
  WithNesting = "not here"
End Function
ok WithNesting() = "123", "nested With blocks and Exit Function inside them"

Function WithAfterError()
  Dim p
  Set p = New Pair
  On Error Resume Next
  With p
    .first = 1
    .nothing_here = 2
    .second = Err.Number
  End With
  WithAfterError = p.first & "," & p.second
End Function
ok WithAfterError() = "1,438", "With goes on after an error under Resume Next"

' For Each over an array that a function returned: strings, and objects that must
' live until the loop is over.
Dim terminated
Class Tracked
  Public name
  Private Sub Class_Terminate()
    terminated = terminated & name
  End Sub
End Class

Function TwoTracked()
  Dim a(1)
  Set a(0) = New Tracked
  a(0).name = "a"
  Set a(1) = New Tracked
  a(1).name = "b"
  TwoTracked = a
End Function

Function Words()
  Words = Array("x", "y", "z")
End Function

Sub CheckForEachOverReturnedArrays()
  Dim w, s, o, seen
  For Each w In Words()
    s = s & w
  Next
  ok s = "xyz" And w = "z", "For Each over a returned array of strings"
  terminated = ""
  For Each o In TwoTracked()
    seen = seen & o.name & terminated & ";"
  Next
  ok seen = "a;b;", "the objects of a returned array live while the loop runs"
  ok terminated = "a", "the array's objects end with the loop, but the one still in the variable"
  Set o = Nothing
  ok terminated = "ab", "the last one ends with the variable"
End Sub
CheckForEachOverReturnedArrays

' A list grown one ReDim Preserve at a time keeps its elements, then shrinks.
Sub CheckGrowingList()
  Dim parts, n, i, bad
  ReDim parts(3)
  For i = 0 To 999
    If i > UBound(parts) Then ReDim Preserve parts(2 * UBound(parts) + 1)
    parts(i) = "p" & i
  Next
  ok UBound(parts) = 1023, "grown by doubling"
  ReDim Preserve parts(999)
  bad = 0
  For i = 0 To 999
    If parts(i) <> "p" & i Then bad = bad + 1
  Next
  ok UBound(parts) = 999 And bad = 0, "every element kept through growing and shrinking"
  ReDim Preserve parts(1500)
  ok IsEmpty(parts(1500)) And parts(999) = "p999", "grown again: new elements are Empty"
End Sub
CheckGrowingList

' Literal arguments for parameters that the procedure changes in each possible way:
' every call starts from the literal as written.
Sub AddBang(v)
  v = v & "!"
End Sub
Function Assigned(v)
  v = v & "!"
  Assigned = v
End Function
Function PassedOn(v)
  AddBang v
  PassedOn = v
End Function
Function ThroughExecute(v)
  Execute "v = v & ""?"""
  ThroughExecute = v
End Function
Function ThroughEval(v)
  Dim ignored
  ignored = Eval("Assigned(v)")
  ThroughEval = v
End Function
Function CounterOf(v)
  For v = 1 To 2
  Next
  CounterOf = v
End Function
Function OnlyRead(v)
  OnlyRead = v & v
End Function

Sub CheckLiteralArguments()
  Dim i, r
  r = ""
  For i = 1 To 2
    r = r & Assigned("a") & PassedOn("b") & ThroughExecute("c") & ThroughEval("d") & CounterOf("e") & OnlyRead("f") & ";"
  Next
  ok r = "a!b!c?d!3ff;a!b!c?d!3ff;", "a literal argument is never changed by the procedure: " & r
End Sub
CheckLiteralArguments

' A long string variable given to a library function beside an object: the object's
' default value is code that sees the variable as it stands.
Dim lentText
Class LengthOfLent
  Public Default Property Get Text
    Text = CStr(Len(lentText))
  End Property
End Class
Sub CheckObjectBesideLongString()
  Dim probe
  Set probe = New LengthOfLent
  lentText = String(100, "a") & "103"
  ok InStr(lentText, probe) = 101, "the default value sees the text: " & InStr(lentText, probe)
End Sub
CheckObjectBesideLongString

' Strings of every length around std::string's inline buffer, given twice to a library
' function and joined with & where they stand: each call and join sees the variable's
' text, and the variable keeps it afterwards. A call between two reads of a variable in
' one & chain changes what the later read sees.
Dim joinedText
Function ChangeJoined()
  joinedText = "changed"
  ChangeJoined = "|"
End Function
Sub CheckStringsInPlace()
  Dim n, s, bad, joined
  bad = ""
  For n = 0 To 70
    s = String(n, "x")
    If StrComp(s, s, 0) <> 0 Or Replace(s, "x", "z") <> String(n, "z") Or Len(s) <> n Then bad = bad & " call" & n
    If Len(s & "-" & s) <> 2 * n + 1 Or Len(s) <> n Then bad = bad & " join" & n
  Next
  ok bad = "", "strings read where they stand:" & bad
  joinedText = "before-and-long-enough-to-allocate"
  joined = joinedText & ChangeJoined() & joinedText
  ok joined = "before-and-long-enough-to-allocate|changed", "a later read sees the call's change: " & joined
End Sub
CheckStringsInPlace
