' Reads of a host object's property in a counted loop, with an occasional
' method call and property write.
Sub Main
  Dim i, s
  s = 0
  For i = 1 To 6000000
    s = (s + HOST.Value + i) Mod 1000003
    If (i Mod 1000) = 0 Then HOST.Value = HOST.Add(HOST.Value, 1) Mod 100
  Next
  WScript.Echo s, HOST.Value
End Sub
Main
