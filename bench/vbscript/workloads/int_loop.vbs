' Integer arithmetic in a counted loop: multiply, integer division, Mod,
' And and Xor, with values that stay well inside a Long.
Sub Main
  Dim i, s
  s = 0
  For i = 1 To 5000000
    s = (s + i * 7 + (i \ 3)) Mod 1000003
    If (i And 1) = 0 Then s = s Xor (i And 255)
  Next
  WScript.Echo s
End Sub
Main
