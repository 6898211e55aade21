' Method and property calls on an instance of a script class.
Class Counter
  Private sum

  Private Sub Class_Initialize()
    sum = 0
  End Sub

  Public Sub Add(v)
    sum = (sum + v) Mod 100003
  End Sub

  Public Function Scaled(k)
    Scaled = (sum * k) Mod 97
  End Function

  Public Property Get Total()
    Total = sum
  End Property
End Class

Sub Main
  Dim c, i, s
  Set c = New Counter
  s = 0
  For i = 1 To 3000000
    c.Add i
    s = (s + c.Scaled(3)) Mod 1000003
  Next
  WScript.Echo s, c.Total
End Sub
Main
