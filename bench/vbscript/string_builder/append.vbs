' 10,000,000 one-character appends to the bundled StringBuilder, then one ToString.
' run.sh puts the class's code in front of this.
Sub Main
  Dim i, sb, text
  Set sb = New StringBuilder
  For i = 1 To 10000000
    sb.Append "x"
  Next
  text = sb.ToString()
  WScript.Echo Len(text), sb.Count
End Sub
Main
