' Where execution goes on after an error in a statement's own expression under
' On Error Resume Next (the Windows engine's behaviour; compiled templates run under it),
' and the Err object's values.

On Error Resume Next

' Loops: an error in an opening test goes on into the body, one in a closing test after
' the loop. (The bodies count their rounds and stop at 3, so a wrong turn cannot hang.)
Function Rounds(kind)
  On Error Resume Next
  Dim n
  n = 0
  Select Case kind
    Case "Do While": Do While 1 / 0: n = n + 1: If n = 3 Then Exit Do
                     Loop
    Case "Do Until": Do Until 1 / 0: n = n + 1: If n = 3 Then Exit Do
                     Loop
    Case "Loop While": Do: n = n + 1: If n = 3 Then Exit Do
                       Loop While 1 / 0
    Case "Loop Until": Do: n = n + 1: If n = 3 Then Exit Do
                       Loop Until 1 / 0
    Case "While": While 1 / 0: n = n + 1: If n = 3 Then Rounds = n & " " & Err.Number: Exit Function
                  Wend
  End Select
  Rounds = n & " " & Err.Number
  Err.Clear
End Function
CheckTable Array( _
  "Rounds(""Do While"")", "3 11", "Rounds(""Do Until"")", "3 11", _
  "Rounds(""Loop While"")", "1 11", "Rounds(""Loop Until"")", "1 11", "Rounds(""While"")", "3 11")

' Select Case: an error in the tested value runs no case at all, not even Case Else; an
' error in a Case value takes that case.
Function Picked(test, caseValue)
  On Error Resume Next
  Picked = "none"
  Select Case Eval(test)
    Case Eval(caseValue): Picked = "first"
    Case 2: Picked = "second"
    Case Else: Picked = "else"
  End Select
  Picked = Picked & " " & Err.Number
  Err.Clear
End Function
CheckTable Array( _
  "Picked(""1 / 0"", ""1"")", "none 11", "Picked(""2"", ""1 / 0"")", "first 11", _
  "Picked(""2"", ""1"")", "second 0", "Picked(""3"", ""1"")", "else 0")

' With: a failing or non-object value still runs the body; its members fail one by one.
ran = ""
With 1 / 0
  ran = ran & "body;"
  x = .Anything
  ran = ran & Err.Number & ";"
End With
ok ran = "body;424;", "With on an error runs its body: " & ran
Err.Clear

' For: a failing start, end or step runs the body once with the counter untouched and
' Err as raised; Next then fails with 92 "For loop not initialized".
Function ForTrace(startE, endE, stepE)
  On Error Resume Next
  Dim i, t
  i = "unset"
  For i = Eval(startE) To Eval(endE) Step Eval(stepE)
    t = t & "[" & i & " " & Err.Number & "]"
    Err.Clear
  Next
  ForTrace = t & " " & Err.Number
  Err.Clear
End Function
CheckTable Array( _
  "ForTrace(""1 / 0"", ""3"", ""1"")", "[unset 11] 92", _
  "ForTrace(""1"", ""Null"", ""1"")", "[unset 94] 92", _
  "ForTrace(""1"", ""2"", ""CLng(""""x"""")"")", "[unset 13] 92", _
  "ForTrace(""1"", ""2"", ""1"")", "[1 0][2 0] 0")
Err.Raise 92
ok Err.Description = "For loop not initialized", "error 92's text: " & Err.Description
Err.Clear

' An Exit For in that single round leaves without the 92.
For i = 1 / 0 To 2
  Exit For
Next
ok Err.Number = 11, "Exit For in the round after a failed start: " & Err.Number
Err.Clear

' Err.Raise: what it leaves out comes from the values not cleared since the last error,
' the language reference's rule; after Clear the number's own text and the engine's
' source stand.
Err.Raise 1000, "MySource", "My description"
Err.Raise 9
ok Err.Number = 9 And Err.Source = "MySource" And Err.Description = "My description", _
  "Raise keeps the values not cleared: " & Err.Source & "/" & Err.Description
Err.Clear
x = 1 / 0
Err.Raise 5
ok Err.Description = "Division by zero", "a runtime error's text is kept too: " & Err.Description
Err.Clear
Err.Raise 9
ok Err.Description = "Subscript out of range" And Err.Source = "Microsoft VBScript runtime error", _
  "after Clear: " & Err.Source & "/" & Err.Description
Err.Clear

' Sources and descriptions of the engine's own errors: the name a message carries when an
' error stops the script is no part of Err.Description.
Set nothingHere = Nothing
nothingHere.Foo
ok Err.Source = "Microsoft VBScript runtime error", "runtime error source: " & Err.Source
ok Err.Description = "Object required", "no name in the description: " & Err.Description
Err.Clear
x = NoSuchFunction(1)
ok Err.Number = 13 And Err.Description = "Type mismatch", "undefined function: " & Err.Description
Err.Clear
Execute "x = 1 +"
ok Err.Source = "Microsoft VBScript compilation error", "compile error source: " & Err.Source
Err.Clear

' Syntax errors in Eval and Execute text: a missing expression is a plain syntax error
' there (the Windows engine's 1002, where a script file reports 1023).
Function CompileError(kind, text)
  On Error Resume Next
  If kind = "Eval" Then x = Eval(text) Else Execute text
  CompileError = Err.Number & " " & Err.Description
  Err.Clear
End Function
CheckTable Array( _
  "CompileError(""Eval"", ""1 +"")", "1002 Syntax error", _
  "CompileError(""Eval"", """")", "1002 Syntax error", _
  "CompileError(""Execute"", ""x = "")", "1002 Syntax error", _
  "CompileError(""Execute"", ""x = (1"")", "1006 Expected ')'")
