' String building with a StringBuilder class: pieces go into an array that
' doubles when full, and ToString joins the used part.
Class StringBuilder
  Private parts
  Private count

  Private Sub Class_Initialize()
    ReDim parts(15)
    count = 0
  End Sub

  Public Sub Append(piece)
    If count > UBound(parts) Then ReDim Preserve parts(2 * UBound(parts) + 1)
    parts(count) = piece
    count = count + 1
  End Sub

  Public Property Get Length()
    Length = count
  End Property

  Public Function ToString()
    If count = 0 Then
      ToString = ""
    Else
      ReDim Preserve parts(count - 1)
      ToString = Join(parts, "")
    End If
  End Function
End Class

Sub Main
  Dim r, c, sb, total, pieces
  total = 0
  pieces = 0
  For r = 1 To 14000
    Set sb = New StringBuilder
    For c = 1 To 100
      sb.Append "<td>"
      sb.Append CStr(r + c)
      sb.Append "</td>"
    Next
    pieces = pieces + sb.Length
    total = total + Len(sb.ToString())
  Next
  WScript.Echo total, pieces
End Sub
Main
