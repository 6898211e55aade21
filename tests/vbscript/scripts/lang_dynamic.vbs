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
ok Err.Number = 1002, "syntax error in Execute: " & Err.Number
Err.Clear
v = Eval("1 +")
ok Err.Number = 1002, "syntax error in Eval: " & Err.Number
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

' A procedure made by Execute inside a procedure sees the globals, not the caller's locals.
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

' Names that Execute makes inside a procedure belong to that call: its new variables,
' Dims and procedures stay local (a Dim hides a global of the same name); ExecuteGlobal
' still makes globals.
Dim shadowed : shadowed = "global"
Sub MakesLocals()
  assignedHere = 1
  Execute "assignedHere = assignedHere + 1"
  Execute "brandNew = 4"
  Execute "Dim alsoNew : alsoNew = 5"
  Execute "Dim shadowed : shadowed = ""local"""
  Execute "Sub Proc2 : madeByProc2 = 1 : End Sub"
  ok assignedHere = 2, "Execute text sees the procedure's own implicit variable: " & assignedHere
  ok brandNew = 4 And alsoNew = 5, "the procedure sees the names its Execute made"
  ok Eval("brandNew + alsoNew") = 9, "... and so does Eval in it"
  ok shadowed = "local", "a Dim in Execute text hides the global"
  Proc2
  Set r = GetRef("Proc2")
  ExecuteGlobal "madeGlobal = 6"
End Sub
MakesLocals
ok IsEmpty(brandNew) And IsEmpty(alsoNew) And IsEmpty(assignedHere), "names made by Execute in a procedure are its locals"
ok shadowed = "global", "the global of the same name is untouched"
ok madeGlobal = 6, "ExecuteGlobal in a procedure makes globals"
On Error Resume Next
Proc2
ok Err.Number <> 0, "a procedure made by Execute in a procedure is not callable outside it"
On Error GoTo 0
' Each call starts without the names an earlier call made.
Function FreshEachCall()
  FreshEachCall = IsEmpty(counter)
  Execute "counter = 1"
End Function
ok FreshEachCall() And FreshEachCall(), "a second call does not see the first one's names"
' An undeclared variable that a procedure passes by reference is its own local too.
Sub SetsArg(ByRef a)
  a = "set"
End Sub
Sub PassesUndeclared()
  SetsArg passedHere
  ok passedHere = "set", "the procedure sees the variable the call made"
End Sub
PassesUndeclared
ok IsEmpty(passedHere), "a variable made by passing it by reference stays local"
