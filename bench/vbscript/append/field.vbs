' 300,000 one-character appends to a public field of a script object.
Class Buffer
  Public s
End Class
Sub Main
  Dim i, o
  Set o = New Buffer
  o.s = ""
  For i = 1 To 300000
    o.s = o.s & "x"
  Next
  WScript.Echo Len(o.s)
End Sub
Main
