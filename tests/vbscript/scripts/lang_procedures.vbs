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
ok Err.Description = "Type mismatch", "Err.Description has no name in it: " & Err.Description
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

' By reference or by value: what the callee's assignment reaches
Sub Bump(x)
  x = x + 1
End Sub
Function BumpF(x)
  x = x + 1
  BumpF = x
End Function
Sub BumpBoth(a, b)
  a = a + 1
  b = b + 10
End Sub
Class Box
  Public F
  Public Sub BumpField()
    Bump F
  End Sub
  Public Sub BumpThroughMe()
    Bump Me.F
  End Sub
End Class
v = 1
y = BumpF(v)
ok v = 2, "a variable argument of a function call in an expression is by reference"
y = BumpF((v))
ok v = 2, "an argument in its own parentheses is by value"
w = 1
BumpBoth (v), w
ok v = 2 And w = 11, "f (x), y: the first argument by value, the second by reference"
Call BumpBoth(v, w)
ok v = 3 And w = 21, "Call passes both by reference"
v = 0
BumpBoth v, v
ok v = 11, "the same variable twice"
Set bx = New Box
bx.F = 1
Bump bx.F
ok bx.F = 1, "an object's field from outside is passed by value"
bx.BumpField
ok bx.F = 2, "a field named bare inside its class is passed by reference"
bx.BumpThroughMe
ok bx.F = 2, "Me.field is passed by value"
Const Fixed = 5
Bump Fixed
ok Fixed = 5, "a constant argument stays"
Bump 5
ok True, "a literal argument is a temporary"

' The function's name is its result: readable, and Empty when never assigned
Function Accum()
  If True Then Accum = 5
  Accum = Accum + 1
End Function
Function NeverSet()
End Function
Function LeaveLoop()
  Dim i
  For i = 1 To 10
    If i = 3 Then
      LeaveLoop = i
      Exit Function
    End If
  Next
  LeaveLoop = -1
End Function
ok Accum() = 6, "reading the result slot"
ok IsEmpty(NeverSet()), "no assignment gives Empty"
ok LeaveLoop() = 3, "Exit Function from inside a loop"

' Objects assigned without Set take the default value; without one that fails
Class NoDefault
End Class
Function MakeWithoutSet()
  MakeWithoutSet = New NoDefault
End Function
On Error Resume Next
x = New NoDefault
ok Err.Number = 438, "Let of an object without a default member: " & Err.Number
Err.Clear
x = MakeWithoutSet()
ok Err.Number = 438, "... also for a function's result: " & Err.Number
Err.Clear
Set z = GetRef("NoSuchProcedure")
ok Err.Number = 5, "GetRef of an unknown name: " & Err.Number
Err.Clear
On Error GoTo 0
Sub CountCall()
  calls = calls + 1
End Sub
Set pr = GetRef("CountCall")
calls = 0
pr
Call pr()
ok calls = 2, "a Sub reference called as a statement and with Call"
