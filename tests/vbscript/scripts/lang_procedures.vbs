' Sub and Function: arguments, ByRef/ByVal, return values, Exit, Call, GetRef

Function Add(a, b)
  Add = a + b
End Function

Sub Inc(x)
  x = x + 1
End Sub

Sub IncVal(ByVal x)
  x = x + 1
End Sub

Function Fact(n)
  If n <= 1 Then
    Fact = 1
  Else
    Fact = n * Fact(n - 1)
  End If
End Function

Function Accumulate(n)
  Dim i
  Accumulate = ""
  For i = 1 To n
    Accumulate = Accumulate & i
  Next
End Function

Function EarlyExit(n)
  EarlyExit = "start"
  If n > 0 Then Exit Function
  EarlyExit = "end"
End Function

Sub NoArgs()
  calls = calls + 1
End Sub

Function KeepsLocal()
  y = 42
  KeepsLocal = y
End Function

ok Add(1, 2) = 3, "function result"
ok getVT(Add(1, 2)) = "VT_I2", "Integer arguments stay Integer"
v = 1
Inc v
ok v = 2, "ByRef is the default"
Inc (v)
ok v = 2, "a parenthesised argument is passed by value"
Call Inc(v)
ok v = 3, "Call passes by reference"
IncVal v
ok v = 3, "ByVal parameter"
r = Add(v, v)
ok r = 6, "call in an expression"
ok Fact(10) = 3628800, "recursion"
ok Accumulate(5) = "12345", "function name as a variable inside the function"
ok EarlyExit(1) = "start", "Exit Function keeps the value"
ok EarlyExit(0) = "end", "no early exit"
calls = 0
NoArgs
NoArgs()
Call NoArgs
Call NoArgs()
ok calls = 4, "calls with and without parentheses"
ok KeepsLocal() = 42, "implicit local"
ok IsEmpty(y), "implicit variable in a procedure is local"

Dim arr(2)
arr(1) = 10
Inc arr(1)
ok arr(1) = 11, "array elements are passed by reference"

Function Twice(f, x)
  Twice = f(f(x))
End Function
Function AddOne(x)
  AddOne = x + 1
End Function
Set fp = GetRef("AddOne")
ok fp(1) = 2, "GetRef call"
ok Twice(fp, 5) = 7, "procedure reference as an argument"

' Names resolve when the code runs: calling a missing procedure fails only then.
Function CallsMissing()
  CallsMissing = MissingProcedure(1)
End Function
On Error Resume Next
x = CallsMissing()
ok Err.Number = 13, "missing function is a type mismatch: " & Err.Number
ok InStr(Err.Description, "MissingProcedure") > 0, "the name is in the description: " & Err.Description
Err.Clear
On Error GoTo 0

Sub TwoArgs(a, b)
  twoSum = a + b
End Sub
TwoArgs 1, 2
TwoArgs (1), 2
ok True, "call with a parenthesised first argument"

' A definition in later code replaces an earlier one.
Function Ver()
  Ver = 1
End Function
ok Ver() = 1, "first definition"
ExecuteGlobal "Function Ver()" & vbCrLf & "Ver = 2" & vbCrLf & "End Function"
ok Ver() = 2, "the later definition wins"

Function WrongCount(a)
End Function
On Error Resume Next
WrongCount 1, 2
ok Err.Number = 450, "wrong argument count: " & Err.Number
On Error GoTo 0
