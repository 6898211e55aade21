' Floating-point arithmetic in a counted loop: add, multiply, divide and square
' root. The checksum is the whole part of the sum times 1000.
Sub Main
  Dim i, x, s
  x = 0.0
  s = 0.0
  For i = 1 To 5000000
    x = x + 0.5
    s = s + x * 1.0001 / (i + 1.5) + Sqr(x)
  Next
  WScript.Echo Fix(s * 1000)
End Sub
Main
