' Eval, Execute, ExecuteGlobal, GetRef, With, Const and Option Explicit at run time

x = 10
ok Eval("x * 2") = 20, "Eval sees globals"
ok Eval("x = 10") = True, "Eval treats = as comparison"
Execute "x = 11"
ok x = 11, "Execute assigns"

Function ScopeTest()
  Dim local1
  local1 = 5
  Execute "local1 = local1 + 1"
  ScopeTest = Eval("local1 * 10")
End Function
ok ScopeTest() = 60, "Execute and Eval see the procedure's locals"

ExecuteGlobal "Dim fromGlobal : fromGlobal = 3"
ok fromGlobal = 3, "ExecuteGlobal defines variables"
ExecuteGlobal "Class Made" & vbCrLf & "Public V" & vbCrLf & "End Class"
Set mk = New Made
mk.V = 1
ok mk.V = 1, "ExecuteGlobal defines classes"

On Error Resume Next
Execute "x = = 1"
ok Err.Number = 1023, "syntax error in Execute: " & Err.Number
Err.Clear
v = Eval("1 +")
ok Err.Number = 1023 Or Err.Number = 1002, "syntax error in Eval: " & Err.Number
Err.Clear
Set r = GetRef("NoSuchProc")
ok Err.Number = 5, "GetRef of a missing procedure: " & Err.Number
Err.Clear
On Error GoTo 0

Const Greeting = "hi", Answer = 42
ok Greeting & Answer = "hi42", "module constants"
On Error Resume Next
Answer = 1
ok Err.Number = 501, "assigning a constant: " & Err.Number
ok Answer = 42, "constant unchanged"
Err.Clear
On Error GoTo 0

Function LocalConst()
  Const k = 3
  LocalConst = k * k
End Function
ok LocalConst() = 9, "local constant"

Class Pt
  Public X, Y
End Class
Set p = New Pt
With p
  .X = 1
  .Y = .X + 1
  With New Pt
    .X = 100
    inner = .X
  End With
  ok .Y = 2 And inner = 100, "nested With"
End With

ok ScriptEngine = "VBScript", "ScriptEngine"
ok ScriptEngineMajorVersion = 5, "major version"

' Undeclared names under Option Explicit fail when the statement runs.
ExecuteGlobal "Option Explicit" & vbCrLf & "Sub Strict()" & vbCrLf & "Dim ok1" & vbCrLf & "ok1 = 1" & vbCrLf & "notDeclared = 2" & vbCrLf & "End Sub"
On Error Resume Next
Strict
ok Err.Number = 500, "undeclared assignment under Option Explicit: " & Err.Number
On Error GoTo 0

' Without Option Explicit an undeclared name inside a procedure is a local.
Sub MakesLocal()
  madeHere = 1
End Sub
MakesLocal
ok IsEmpty(madeHere), "implicit local does not leak"
' ... unless a global of that name exists.
Dim sharedName
Sub SetsGlobal()
  sharedName = "set"
End Sub
SetsGlobal
ok sharedName = "set", "assignment reaches the existing global"

' A class defined again in later code: member lookups follow the new definition.
Function ReadB(o)
  ReadB = o.B
End Function
ExecuteGlobal "Class Redef" & vbCrLf & "Public A, B" & vbCrLf & "End Class"
Set r1 = New Redef
r1.A = "a1" : r1.B = "b1"
ok ReadB(r1) = "b1", "first definition"
Set r1 = Nothing
ExecuteGlobal "Class Redef" & vbCrLf & "Public B, C, A" & vbCrLf & "End Class"
Set r2 = New Redef
r2.A = "a2" : r2.B = "b2"
ok ReadB(r2) = "b2", "second definition"

' A procedure made by Execute inside a procedure is global and sees the globals.
Dim Scoped
Scoped = "Global"
Dim seen
Sub MakesProc()
  Dim Scoped
  Scoped = "Local"
  Execute "Sub ShowScoped() : seen = Scoped : End Sub"
  ok Eval("Scoped") = "Local", "Eval in the procedure sees its local"
  ShowScoped
End Sub
MakesProc
ok seen = "Global", "the new procedure does not see the caller's locals: " & seen
