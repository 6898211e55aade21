' x = x & F(): the variable is read first, then the appended values are evaluated, then
' the text is joined and assigned. Code the values run may change the variable (assign
' it, get it by reference, reach it through Eval or an object's default value): the
' result is still the value from before joined to the values.

Dim g, log

' Assigns the global and returns a piece.
Function SetG(v)
  g = v
  SetG = "b"
End Function

' Changes its argument (by reference) and returns a piece.
Function Change(x)
  x = "Z"
  Change = "b"
End Function

' Appends to the global itself, then returns a piece.
Function Nested()
  g = g & "n"
  Nested = "b"
End Function

Function Fails()
  g = "Z"
  Err.Raise 5
End Function

Class Touchy
  Public Default Property Get Text
    g = "Z"
    Text = "d"
  End Property
End Class

Class Holder
  Public s
  Private m
  Function Touch()
    m = "Z"
    s = "Z"
    Touch = "b"
  End Function
  Function Own()
    m = "a"
    m = m & Touch()
    Own = m
  End Function
  Function PublicField()
    s = "a"
    s = s & Touch()
    PublicField = s
  End Function
End Class

' Global variable: assigned by the call, appended by the call, the call then more pieces.
g = "a" : g = g & SetG("Z")
ok g = "ab", "global assigned by the call: " & g
g = "a" : g = g & Nested()
ok g = "ab", "global appended to by the call: " & g
g = "a" : g = g & "1" & SetG("Z") & "2"
ok g = "a1b2", "several pieces around the call: " & g
g = "a" : g = g & Change(g)
ok g = "ab", "global passed by reference: " & g
g = "a" : g = g & Eval("SetG(""Z"")")
ok g = "ab", "global assigned through Eval: " & g
g = "a" : g = g & New Touchy
ok g = "ad", "global assigned by an object's default value: " & g

' The call fails: nothing is assigned by the statement, the call's own assignment stays.
On Error Resume Next
g = "a" : g = g & Fails()
ok Err.Number = 5 And g = "Z", "a failing call: " & Err.Number & " " & g
On Error GoTo 0

' A local of the procedure: passed by reference, reached through Eval; a by-reference
' parameter that stands for the global.
Function LocalByRef()
  Dim s
  s = "a"
  s = s & Change(s)
  LocalByRef = s
End Function
Function LocalEval()
  Dim s
  s = "a"
  s = s & Eval("Change(s)")
  LocalEval = s
End Function
Sub ParamAppend(p)
  p = p & SetG("Z")
End Sub
Function LocalUntouched()
  Dim s, i
  s = ""
  For i = 1 To 5
    s = s & SetG("Z") & i
  Next
  LocalUntouched = s
End Function
ok LocalByRef() = "ab", "local passed by reference: " & LocalByRef()
ok LocalEval() = "ab", "local reached through Eval: " & LocalEval()
g = "a" : ParamAppend g
ok g = "ab", "by-reference parameter for the global: " & g
ok LocalUntouched() = "b1b2b3b4b5", "a local no call can reach: " & LocalUntouched()

' Fields inside the class, bare and through the object from outside.
Dim h
Set h = New Holder
ok h.Own() = "ab", "private field assigned by a method: " & h.Own()
ok h.PublicField() = "ab", "public field assigned by a method: " & h.PublicField()
h.s = "a" : h.s = h.s & h.Touch()
ok h.s = "ab", "o.s = o.s & o.Touch(): " & h.s

' Array elements: the element assigned, the array made anew by the call.
Dim arr
Function SetElem()
  arr(1) = "Z"
  SetElem = "b"
End Function
Function Regrow()
  arr = Array("Z", "Z", "Z", "Z")
  Regrow = "b"
End Function
arr = Array("x", "a", "y")
arr(1) = arr(1) & SetElem()
ok arr(1) = "ab", "element assigned by the call: " & arr(1)
arr = Array("x", "a", "y")
arr(1) = arr(1) & Regrow()
ok arr(1) = "ab" And arr(2) = "Z" And UBound(arr) = 3, "array made anew by the call: " & arr(1) & " " & UBound(arr)

' Variables and literals (no code runs): the text and subtype are those of the plain
' join, for a local, a field and a global, whatever the variable held before.
Class Pad
  Private t
  Function Run(start, piece, self)
    t = start
    If self Then t = t & t Else t = t & piece
    Run = t
  End Function
End Class
Function LocalRun(start, piece, self)
  Dim t
  t = start
  If self Then t = t & t Else t = t & piece
  LocalRun = t
End Function
Function GlobalRun(start, piece, self)
  g = start
  If self Then g = g & g Else g = g & piece
  GlobalRun = g
End Function
Dim padder, cases, cs, got
Set padder = New Pad
' start, piece, appended to itself, the text wanted, its VarType
cases = Array( _
  Array("ab", "c", False, "abc", vbString), _
  Array("ab", "", False, "ab", vbString), _
  Array("ab", Null, False, "ab", vbString), _
  Array("ab", Empty, False, "ab", vbString), _
  Array("ab", 12, False, "ab12", vbString), _
  Array("ab", True, False, "abTrue", vbString), _
  Array(Empty, "c", False, "c", vbString), _
  Array(Null, "c", False, "c", vbString), _
  Array(Null, Null, False, Null, vbNull), _
  Array(7, "c", False, "7c", vbString), _
  Array("ab", Empty, True, "abab", vbString), _
  Array(Empty, Empty, True, "", vbString))
For Each cs In cases
  For Each got In Array(LocalRun(cs(0), cs(1), cs(2)), padder.Run(cs(0), cs(1), cs(2)), GlobalRun(cs(0), cs(1), cs(2)))
    If IsNull(cs(3)) Then
      ok IsNull(got), "Null & Null: " & VarType(got)
    Else
      ok got = cs(3) And VarType(got) = cs(4), "'" & cs(0) & "' & '" & cs(1) & "' (self: " & cs(2) & "): '" & got & "' " & VarType(got)
    End If
  Next
Next
