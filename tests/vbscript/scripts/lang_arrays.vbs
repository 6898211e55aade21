' Arrays: Dim, ReDim Preserve, Erase, multiple dimensions, copies on assignment, For Each

Dim a(3)
ok UBound(a) = 3 And LBound(a) = 0, "Dim a(3) has four elements"
ok getVT(a) = "VT_ARRAY|VT_VARIANT", "array VarType"
a(0) = "x"
b = a
b(0) = "y"
ok a(0) = "x" And b(0) = "y", "assignment copies the array"

Dim m(2, 3)
m(2, 3) = "corner"
m(1, 2) = 12
ok UBound(m, 1) = 2 And UBound(m, 2) = 3, "two dimensions"
ok m(2, 3) = "corner" And m(1, 2) = 12, "two-dimensional elements"
m2 = m
m2(1, 2) = 0
ok m(1, 2) = 12, "two-dimensional copy"

Dim d()
ReDim d(2)
d(2) = "kept"
ReDim Preserve d(5)
ok UBound(d) = 5 And d(2) = "kept", "ReDim Preserve keeps elements"
ReDim d(1)
ok IsEmpty(d(0)) And UBound(d) = 1, "ReDim without Preserve clears"
ReDim e(2, 2)
e(1, 1) = 1
ReDim Preserve e(2, 4)
ok e(1, 1) = 1 And UBound(e, 2) = 4, "Preserve changes the last dimension"

Erase d
On Error Resume Next
u = UBound(d)
ok Err.Number = 9, "erased dynamic array has no bounds: " & Err.Number
On Error GoTo 0
Erase a
ok UBound(a) = 3 And IsEmpty(a(0)), "Erase of a fixed array clears elements"

arr = Array(1, "two", 3.5)
total = ""
For Each item In arr
  total = total & item & ","
Next
ok total = "1,two,3.5,", "For Each over an array"

' Nested arrays
outer = Array(Array(1, 2), Array(3, 4))
ok outer(1)(0) = 3, "array of arrays"

' Loops
s = 0
For i = 1 To 10 Step 3
  s = s + i
Next
ok s = 22 And i = 13, "For Step: " & s & " " & i
s = 0
For i = 10 To 1 Step -2
  s = s + i
Next
ok s = 30, "negative Step"
For i = 1 To 0
  ok False, "empty loop body must not run"
Next
ok getVT(i) = "VT_I2", "loop counter keeps the start's subtype"
For i = 1 To 5
  If i = 3 Then Exit For
Next
ok i = 3, "Exit For"
n = 0
Do
  n = n + 1
Loop Until n >= 4
ok n = 4, "Do ... Loop Until"
n = 0
Do Until n = 2
  n = n + 1
Loop
ok n = 2, "Do Until"
n = 10
Do
  n = n + 1
Loop While n < 5
ok n = 11, "post-test loop runs once"
n = 0
While n < 3
  n = n + 1
Wend
ok n = 3, "While Wend"

Select Case "b"
  Case "a", "b"
    sel = "ab"
  Case Else
    sel = "else"
End Select
ok sel = "ab", "Case with a list"
Select Case 5
  Case 1: sel = 1
  Case 2: sel = 2
  Case Else: sel = "else"
End Select
ok sel = "else", "Case Else"

If False Then
  r = 1
ElseIf True Then
  r = 2
Else
  r = 3
End If
ok r = 2, "ElseIf"
If True Then r = "a" : r = r & "b" Else r = "c"
ok r = "ab", "single-line If with several statements"

Class Bag
  Public Items
End Class
Set bg = New Bag
With bg
  .Items = Array(1, 2)
  ok UBound(.Items) = 1, "With member access"
End With

' Integer loop counter overflow promotes
x = 32767
x = x + 1
ok getVT(x) = "VT_I4", "Integer + Integer overflow gives Long"
