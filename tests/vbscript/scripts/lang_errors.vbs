' On Error, the Err object, unwinding and conditions that fail under Resume Next

On Error Resume Next
x = 1 / 0
ok Err.Number = 11, "division by zero: " & Err.Number
ok Err.Description = "Division by zero", "description: " & Err.Description
ok Err.Source <> "", "runtime errors name a source"
ok Err = 11, "Number is the default member"
Err.Clear
ok Err.Number = 0 And Err.Description = "", "Clear"

Err.Raise 1000, "MySource", "My description"
ok Err.Number = 1000, "Raise number"
ok Err.Source = "MySource", "Raise source"
ok Err.Description = "My description", "Raise description"
Err.Clear
Err.Raise 9
ok Err.Description = "Subscript out of range", "standard description for a raised number"
On Error Resume Next
ok Err.Number = 0, "On Error Resume Next clears Err"

' An error in an If condition continues inside the Then branch.
branch = ""
If 1 / 0 Then
  branch = "then"
Else
  branch = "else"
End If
ok branch = "then", "error in If condition runs the Then branch: " & branch
branch = ""
If 1 / 0 Then branch = "single" Else branch = "other"
ok branch = "single", "single-line If"
Err.Clear

' ... and an error in a While condition enters the loop.
n = 0
Do While 1 / 0
  n = n + 1
  If n = 3 Then Exit Do
Loop
ok n = 3, "error in a Do While condition stays in the loop"
Err.Clear

' Errors unwind to the nearest caller with a handler.
trace = ""
Sub Inner()
  trace = trace & "inner;"
  x = CLng("abc")
  trace = trace & "not reached;"
End Sub
Sub Middle()
  Inner
  trace = trace & "middle not reached;"
End Sub
Middle
trace = trace & "after;"
ok trace = "inner;after;", "unwinding: " & trace
ok Err.Number = 13, "error from a nested call: " & Err.Number
Err.Clear

' A handler inside the callee keeps the error there.
Function Safe()
  On Error Resume Next
  Safe = 1 / 0
  Safe = "handled " & Err.Number
End Function
ok Safe() = "handled 11", "callee's own handler"

' Without a handler in the caller, a Sub's error escapes to here.
Function Raiser()
  Err.Raise vbObjectError + 1, "Raiser", "custom"
End Function
y = Raiser()
ok Err.Number = vbObjectError + 1, "vbObjectError based number"
Err.Clear

' On Error GoTo 0 turns handling off again.
Sub NoHandler()
  On Error Resume Next
  On Error GoTo 0
  z = 1 / 0
  ok False, "not reached after GoTo 0"
End Sub
NoHandler
ok Err.Number = 11, "error escapes after On Error GoTo 0"
Err.Clear

' Undefined variables under Option Explicit are reported by name.
ExecuteGlobal "Option Explicit" & vbCrLf & "Sub UsesUndeclared()" & vbCrLf & "q = undeclaredVar" & vbCrLf & "End Sub"
UsesUndeclared
ok Err.Number = 500, "Variable is undefined: " & Err.Number
ok Err.Description = "Variable is undefined", "no name in Err.Description: " & Err.Description
Err.Clear

Dim fixedArr(2)
ReDim fixedArr(5)
ok Err.Number = 10, "fixed array cannot be ReDim'd: " & Err.Number
Err.Clear
q = fixedArr(7)
ok Err.Number = 9, "subscript out of range: " & Err.Number
Err.Clear
Set o = Nothing
o.Foo
ok Err.Number = 424, "a member of Nothing: " & Err.Number
ok Err.Description = "Object required", "no name in Err.Description: " & Err.Description
Err.Clear
x = Nothing
ok Err.Number = 91, "Nothing has no value: " & Err.Number
Err.Clear
Set o = 5
ok Err.Number = 424, "Set needs an object: " & Err.Number
Err.Clear

' Set of a procedure's local and of a class field needs an object too; the variable
' keeps its value
Class SetHolder
  Public o
  Function TrySet(v)
    On Error Resume Next
    Set o = v
    TrySet = Err.Number
  End Function
End Class
Function SetLocal(v)
  Dim o
  On Error Resume Next
  Set o = Nothing
  Set o = v
  SetLocal = Err.Number & ":" & TypeName(o)
End Function
ok SetLocal(5) = "424:Nothing", "Set of a local needs an object: " & SetLocal(5)
ok SetLocal(New SetHolder) = "0:SetHolder", "Set of a local: " & SetLocal(New SetHolder)
Set sh = New SetHolder
ok sh.TrySet("x") = 424, "Set of a field needs an object"
ok IsEmpty(sh.o), "the field keeps its value"
ok sh.TrySet(sh) = 0 And sh.o Is sh, "Set of a field"
Set sh.o = Nothing

' Select Case with a failing case expression enters that case.
sel = ""
Select Case 1
  Case 1 / 0
    sel = "first"
  Case Else
    sel = "else"
End Select
ok sel = "first", "error in a Case expression: " & sel

' Loops whose set-up fails under Resume Next still run their body once.
On Error Resume Next
cnt = 0
For Each it In 5
  cnt = cnt + 1
Next
ok cnt = 1 And Err.Number <> 0, "For Each over a value that is no collection: " & cnt
Err.Clear
cnt = 0
For i = 1 To 1 / 0
  cnt = cnt + 1
Next
ok cnt = 1 And Err.Number = 92, "For with a failing bound, then Next: " & cnt & " " & Err.Number
Err.Clear
