' 300,000 one-character appends to an element of an array.
Sub Main
  Dim i, a(0)
  a(0) = ""
  For i = 1 To 300000
    a(0) = a(0) & "x"
  Next
  WScript.Echo Len(a(0))
End Sub
Main
