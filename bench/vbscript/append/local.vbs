' 300,000 one-character appends to a local variable: the reference for the two others.
Sub Main
  Dim i, s
  s = ""
  For i = 1 To 300000
    s = s & "x"
  Next
  WScript.Echo Len(s)
End Sub
Main
