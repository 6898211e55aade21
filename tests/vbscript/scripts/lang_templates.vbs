' The shape of compiled templates: a StringBuilder class, functions under On Error
' Resume Next with a literal array, long & chains, and errors that must not stop output.

Class StringBuilder
  Private parts, count
  Private Sub Class_Initialize()
    ReDim parts(15)
    count = 0
  End Sub
  Public Sub Append(s)
    If count > UBound(parts) Then ReDim Preserve parts(count * 2 + 1)
    parts(count) = s
    count = count + 1
  End Sub
  Public Function ToString()
    If count = 0 Then
      ToString = ""
    Else
      ReDim Preserve parts(count - 1)
      ToString = Join(parts, "")
    End If
  End Function
End Class

Function zvVal(v)
  zvVal = CStr(v)
End Function

Dim TABLE
Set TABLE = New StringBuilder

Function zvExlist_php()
On Error Resume Next
Dim zvAr(3)
Dim zvSB
Set zvSB = New StringBuilder
zvAr(1) = "<html>" & vbCrLf & "<body class=""main"">"
zvAr(2) = "</body>" & vbCrLf & "</html>"

zvSB.Append(zvAr(1))
zvSB.Append(zvVal(1 + 1))
zvSB.Append(undefinedFunction(1))
zvSB.Append(zvVal(1 / 0))
If 1 / 0 Then zvSB.Append("[cond]")
zvSB.Append(zvAr(2))

zvExlist_php = zvSB.ToString()
End Function

out = zvExlist_php()
ok out = "<html>" & vbCrLf & "<body class=""main"">2[cond]</body>" & vbCrLf & "</html>", "template output: " & out
ok Err.Number = 0 Or Err.Number <> 0, "error state is readable"

' A long chain of literals.
Dim big
big = "a" & "b" & "c" & "d" & "e" & "f" & "g" & "h" & "i" & "j" & "k" & "l" & "m" & "n" & "o" & "p" & "q" & "r" & _
  "s" & "t" & "u" & "v" & "w" & "x" & "y" & "z"
ok big = "abcdefghijklmnopqrstuvwxyz", "long & chain"
s = ""
For i = 1 To 1000
  s = s & "x" & i
Next
ok Len(s) = 1000 + 2893, "appending in place: " & Len(s)
s = s & Null
ok Len(s) = 3893, "Null appends nothing"
