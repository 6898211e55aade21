' Loops, conditions and Select Case: bounds, counters, exits and the truth of odd values

' For: the bounds and the step are evaluated once; the counter may be changed inside
lim = 3 : n = 0
For i = 1 To lim
  lim = 10
  n = n + 1
Next
ok n = 3 And i = 4, "the end bound is evaluated once"
n = 0
For i = 1 To 5
  i = i + 1
  n = n + 1
Next
ok n = 3, "a counter changed in the body"
s = ""
For i = 1 To 2 Step 0.5
  s = s & i & ","
Next
ok s = "1,1.5,2,", "fractional step"
n = 0
For i = "1" To "3"
  n = n + 1
Next
ok n = 3, "bounds given as text"
For i = 1 To 3 Step -1
  ok False, "a negative step from below never runs"
Next
ok i = 1, "the counter holds the start when the body never ran"
s = ""
For i = 1 To 2
  For j = 1 To 3
    If j = 2 Then Exit For
    s = s & i & j & ","
  Next
Next
ok s = "11,21,", "Exit For leaves the inner loop only"
n = 0
Do While True
  For k = 1 To 3
    n = n + 1
  Next
  Exit Do
Loop
ok n = 3, "Exit Do after a completed For"

' For Each: the loop variable is a copy; arrays walk in storage order
Dim fa(2)
fa(0) = 1 : fa(1) = 2 : fa(2) = 3
For Each x In fa
  x = x * 10
Next
ok fa(0) = 1, "assigning the loop variable leaves the array"
ReDim fm(1, 1)
fm(0, 0) = "a" : fm(1, 0) = "b" : fm(0, 1) = "c" : fm(1, 1) = "d"
s = ""
For Each x In fm
  s = s & x
Next
ok s = "abcd", "a two-dimensional array walks the first index fastest: " & s
n = 0
For Each x In Array()
  n = n + 1
Next
ok n = 0, "an empty array"
On Error Resume Next
For Each x In Empty
Next
ok Err.Number <> 0, "For Each over a value that is no collection raises: " & Err.Number
Err.Clear
On Error GoTo 0

' Conditions: Null and Empty are False; text converts when it reads as a Boolean or number
Function Truth(expr)
  On Error Resume Next
  If Eval(expr) Then Truth = "then" Else Truth = "else"
  If Err.Number <> 0 Then Truth = "error " & Err.Number
End Function
conds = Array("Null", "else", "Not Null", "else", "Empty", "else", """True""", "then", _
  """0""", "else", "0.1", "then", """abc""", "error 13", "Nothing Is Nothing", "then")
For c = 0 To UBound(conds) Step 2
  ok Truth(conds(c)) = conds(c + 1), "If " & conds(c) & ": " & Truth(conds(c))
Next
n = 0
Do While Null
  n = n + 1
Loop
ok n = 0, "Do While Null does not enter"

' Select Case: lists, first match wins, binary comparison of text
Function Pick(v)
  Select Case v
    Case 1, 5
      Pick = "one or five"
    Case 5
      Pick = "second five"
    Case Else
      Pick = "else"
  End Select
End Function
Function PickText(v)
  Select Case v
    Case "abc"
      PickText = "lower"
    Case "ABC"
      PickText = "upper"
  End Select
End Function
ok Pick(5) = "one or five", "a later value of a list, and the first match wins"
ok Pick(7) = "else", "Case Else"
ok PickText("ABC") = "upper", "text compares with case"
Select Case 1
End Select
ok True, "a Select without cases"

' Select Case with variables and constants as case values: a number and a text held in
' variables never match, an object's default value is used, Null matches nothing
Class CaseValue
  Public v
  Public Default Property Get Value()
    Value = v
  End Property
End Class
Function PickVar(subject, a, b)
  Select Case subject
    Case a
      PickVar = "a"
    Case b
      PickVar = "b"
    Case vbString
      PickVar = "vbString"
    Case Else
      PickVar = "else"
  End Select
End Function
Set cv = New CaseValue
cv.v = "x"
CheckTable Array( _
  "PickVar(""x"", ""y"", ""x"")", "b", _
  "PickVar(8, ""y"", ""x"")", "vbString", _
  "PickVar(8, ""8"", 8)", "b", _
  "PickVar(""x"", cv, ""z"")", "a", _
  "PickVar(Null, Null, ""z"")", "else", _
  "PickVar(""ab"", ""AB"", ""ab"")", "b")
