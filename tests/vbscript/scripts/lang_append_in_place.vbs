' o.s = o.s & ... and a(i) = a(i) & ... append in place where nothing can tell: the
' results, the values other variables hold, the calls made and the errors raised must
' be those of reading the place, building the text and assigning it.

Class Box
  Public s
  Private hidden
  Public lets, gets
  Private p_
  Property Get P
    gets = gets + 1
    P = p_
  End Property
  Property Let P(v)
    lets = lets + 1
    p_ = v
  End Property
  Sub Init
    s = "" : hidden = "h" : p_ = "" : lets = 0 : gets = 0
  End Sub
  Function Grow(x)
    Me.s = Me.s & x
    Me.s = Me.s & s & s
    hidden = hidden & x
    Me.hidden = Me.hidden & x
    Grow = hidden
  End Function
End Class

Function NewBox(text)
  Set NewBox = New Box
  NewBox.Init
  NewBox.s = text
End Function

Dim o, o2, t, n, i, k, a, b, arr, res

' Fields: the text built is the text of the general way; an earlier copy keeps its value.
Set o = NewBox("ab")
t = o.s
For i = 1 To 3
  o.s = o.s & i & ""
  o.s = o.s & "-"
Next
n = 7
o.s = o.s & n
o.s = o.s & Null
o.s = o.s & True
o.s = o.s & "<" & t & ">"
ok o.s = "ab1-2-3-7True<ab>", "field appends: " & o.s
ok t = "ab", "a copy read before is unchanged: " & t

' Inside the class: Me.s, a bare field, a private field through Me, the field appended to itself.
Set o = NewBox("x")
res = o.Grow("y")
ok o.s = "xyxyxy", "Me.s & s & s: " & o.s
ok res = "hyy", "private field through Me and bare: " & res

' A property is still read through Get and written through Let.
Set o = NewBox("")
o.P = "a"
o.P = o.P & "b"
o.P = o.P & "c" & "d"
ok o.P = "abcd" And o.lets = 3 And o.gets = 3, "property: " & o.P & " lets " & o.lets & " gets " & o.gets

' Code run by an appended value sees the place as it was, and the value goes where
' the target stands after that code ran.
Function Rewrite(box, text)
  box.s = text
  Rewrite = "+"
End Function
Function Swap()
  Set o = o2
  Swap = "!"
End Function
Set o = NewBox("old")
o.s = o.s & Rewrite(o, "new")
ok o.s = "old+", "a value that rewrites the field: " & o.s
Set o = NewBox("one") : Set o2 = NewBox("two")
Set b = o
o.s = o.s & Swap()
ok o.s = "one!" And b.s = "one", "a value that replaces the object: " & o.s & " / " & b.s

' Errors: nothing is changed, the next statement runs under Resume Next.
Dim errs, e
errs = Array( _
  Array("Nothing", 424), _
  Array("not an object", 424), _
  Array("private field", 438), _
  Array("no such member", 438), _
  Array("an array appended", 13))
Set o2 = NewBox("keep")
On Error Resume Next
For Each e In errs
  Err.Clear
  Select Case e(0)
    Case "Nothing"
      Set o = Nothing
      o.s = o.s & "x"
    Case "not an object"
      o = 5
      o.s = o.s & "x"
    Case "private field"
      o2.hidden = o2.hidden & "x"
    Case "no such member"
      o2.t = o2.t & "x"
    Case "an array appended"
      arr = Array(1)
      o2.s = o2.s & "x" & arr
  End Select
  ok Err.Number = e(1), e(0) & ": error " & Err.Number
Next
On Error GoTo 0
ok o2.s = "keep", "a failed append changes nothing: " & o2.s

' Array elements: copies made before keep their values; any subtype of element.
a = Array("p", 5, Empty, Null, "q")
b = a
For i = 0 To 4
  a(i) = a(i) & "x"
Next
a(0) = a(0) & "y" & "z"
k = 4
a(k) = a(k) & k & ""
ok Join(a, ",") = "pxyz,5x,x,x,qx4", "element appends: " & Join(a, ",")
ok b(0) = "p" And b(1) = 5 And IsEmpty(b(2)) And IsNull(b(3)) And b(4) = "q", "the copy is unchanged"
Dim fixed(2)
fixed(1) = "f"
fixed(1) = fixed(1) & "g"
k = Empty
fixed(k) = fixed(k) & "e"
ok fixed(0) = "e" And fixed(1) = "fg", "a fixed array, an Empty index: " & fixed(0) & fixed(1)

' An index changed by an appended value: read at the old index, written at the new one.
Function Bump()
  k = k + 1
  Bump = "!"
End Function
a = Array("a", "b", "c")
k = 0
a(k) = a(k) & Bump()
ok Join(a, ",") = "a,a!,c", "index moved by the value: " & Join(a, ",")

' An element of a local array, and of an array passed in.
Function LocalAppend(src)
  Dim m(1), j
  m(0) = "m"
  For j = 1 To 3
    m(0) = m(0) & j
    src(0) = src(0) & j
  Next
  LocalAppend = m(0)
End Function
a = Array("s")
b = a
ok LocalAppend(a) = "m123" And a(0) = "s123" And b(0) = "s", "local and by-reference arrays: " & a(0) & " " & b(0)

' Errors on elements.
Dim elemErrs
a = Array("keep")
elemErrs = Array( _
  Array("out of range", 9), _
  Array("not an array", 13), _
  Array("an array appended", 13))
On Error Resume Next
For Each e In elemErrs
  Err.Clear
  Select Case e(0)
    Case "out of range"
      a(3) = a(3) & "x"
    Case "not an array"
      t = "str"
      t(0) = t(0) & "x"
    Case "an array appended"
      a(0) = a(0) & "x" & a
  End Select
  ok Err.Number = e(1), e(0) & ": error " & Err.Number
Next
On Error GoTo 0
ok a(0) = "keep" And UBound(a) = 0, "a failed element append changes nothing: " & a(0)
