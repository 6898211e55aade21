' Calls of a Function and a Sub (three and two arguments) in a counted loop.
Function Mix(a, b, c)
  Mix = (a + b * 2 + c) Mod 10007
End Function

Dim calls
Sub Tally(a, b)
  calls = calls + a - b
End Sub

Sub Main
  Dim i, s
  s = 0
  calls = 0
  For i = 1 To 3000000
    s = Mix(s, i, 3)
    Tally 2, 1
  Next
  WScript.Echo s, calls
End Sub
Main
