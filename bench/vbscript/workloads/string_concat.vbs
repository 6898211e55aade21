' String building with "&": table cells appended to a growing buffer, which is
' emptied every 250 cells (so copying stays bounded).
Sub Main
  Dim i, buf, total
  buf = ""
  total = 0
  For i = 1 To 1200000
    buf = buf & "<td>" & i & "</td>"
    If i Mod 250 = 0 Then
      total = total + Len(buf)
      buf = ""
    End If
  Next
  total = total + Len(buf)
  WScript.Echo total
End Sub
Main
