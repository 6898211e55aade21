' Array work: fill, repeated passes that read and write neighbouring elements,
' an insertion sort, and a weighted sum.
Sub Main
  Dim a(), b(), i, j, p, n, m, t, s
  n = 20000
  ReDim a(n - 1)
  For i = 0 To n - 1
    a(i) = (i * 31) Mod 1009
  Next
  For p = 1 To 80
    For i = 1 To UBound(a)
      a(i) = (a(i) + a(i - 1) * 3) Mod 1000003
    Next
  Next
  m = 4000
  ReDim b(m - 1)
  For i = 0 To m - 1
    b(i) = a(i) Mod 10007
  Next
  For i = 1 To m - 1
    t = b(i)
    j = i - 1
    Do While j >= 0
      If b(j) <= t Then Exit Do
      b(j + 1) = b(j)
      j = j - 1
    Loop
    b(j + 1) = t
  Next
  s = 0
  For i = 0 To m - 1
    s = (s + b(i) * (i + 1)) Mod 1000003
  Next
  WScript.Echo s, UBound(a), b(0), b(m - 1)
End Sub
Main
