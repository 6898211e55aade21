' Classes: fields, methods, properties, default members, Initialize/Terminate, Me, Is

Dim log
log = ""

Class Counter
  Private count_
  Public Name
  Public Items(2)

  Private Sub Class_Initialize()
    count_ = 0
    Name = "counter"
    log = log & "init;"
  End Sub

  Private Sub Class_Terminate()
    log = log & "term;"
  End Sub

  Public Sub Increment(by)
    count_ = count_ + by
  End Sub

  Public Property Get Count()
    Count = count_
  End Property

  Public Property Let Count(v)
    count_ = v
  End Property

  Public Function Twice()
    Twice = Count * 2
  End Function

  Public Function Self()
    Set Self = Me
  End Function

  Private Function Hidden()
    Hidden = 1
  End Function
End Class

Class Wrapper
  Private inner_
  Public Default Property Get Value()
    Value = inner_
  End Property
  Public Property Let Value(v)
    inner_ = v
  End Property
  Public Property Set Obj(o)
    Set inner_ = o
  End Property
  Public Property Get Obj()
    Set Obj = inner_
  End Property
End Class

Class Indexed
  Private data_(3)
  Public Property Get Item(i)
    Item = data_(i)
  End Property
  Public Property Let Item(i, v)
    data_(i) = v
  End Property
End Class

Set c = New Counter
ok log = "init;", "Class_Initialize runs on New"
ok TypeName(c) = "Counter", "TypeName gives the class name"
ok IsObject(c), "IsObject"
ok c.Name = "counter", "public field"
c.Increment 5
c.Increment(2)
ok c.Count = 7, "property get: " & c.Count
c.Count = 1
ok c.Count = 1, "property let"
ok c.Twice() = 2, "method using a property of Me"
ok c.Self() Is c, "Me and Is"
c.Items(1) = "x"
ok c.Items(1) = "x", "array field"
On Error Resume Next
h = c.Hidden()
ok Err.Number = 438, "private member is not reachable: " & Err.Number
Err.Clear
On Error GoTo 0
Set d = c
Set c = Nothing
ok log = "init;", "still referenced"
Set d = Nothing
ok log = "init;term;", "Class_Terminate runs when the last reference goes: " & log

Set w = New Wrapper
w.Value = 42
ok w = 42, "default property read"
ok w + 1 = 43, "default property in arithmetic"
x = w
ok x = 42 And getVT(x) = "VT_I2", "assignment takes the default value"
ok CStr(w) = "42" And CLng(w) + 1 = 43 And CBool(w), "the conversions take the default value"
Set w.Obj = New Counter
ok TypeName(w.Obj) = "Counter", "Property Set"

Set ix = New Indexed
ix.Item(2) = "two"
ok ix.Item(2) = "two", "property with an index"

Set n1 = Nothing
ok n1 Is Nothing, "Is Nothing"
Set c1 = New Counter
Set c2 = New Counter
ok Not (c1 Is c2), "distinct instances"

Class Node
  Public Value
  Public NextNode
End Class
Set head = Nothing
For i = 1 To 3
  Set nd = New Node
  nd.Value = i
  Set nd.NextNode = head
  Set head = nd
Next
total = 0
Set p = head
Do While Not p Is Nothing
  total = total + p.Value
  Set p = p.NextNode
Loop
ok total = 6, "linked objects"

On Error Resume Next
Set q = New NoSuchClass
ok Err.Number = 500, "New of a name declared nowhere: " & Err.Number
On Error GoTo 0

Class WithDefaultFunction
  Public Default Function Run(a)
    Run = a * 2
  End Function
End Class
Set wf = New WithDefaultFunction
ok wf(4) = 8, "default method with an argument"

Class Limits
  Private Const MaxItems = 3
  Public Function Max()
    Max = MaxItems
  End Function
End Class
Set lim = New Limits
ok lim.Max() = 3, "class constant"

' Calls and default members on returned objects.
Class Factory
  Public Function Make()
    Set Make = New Wrapper
    Make.Value = "made"
  End Function
End Class
Set fc = New Factory
ok fc.Make().Value = "made", "member of a returned object"
ok fc.Make() = "made", "default member of a returned object"

' A Class_Initialize that fails: New raises, and the half-made object is not terminated.
Dim initLog
Class FailsInit
  Private Sub Class_Initialize()
    initLog = initLog & "init;"
    Err.Raise 5
  End Sub
  Private Sub Class_Terminate()
    initLog = initLog & "term;"
  End Sub
End Class
On Error Resume Next
Set fi = New FailsInit
ok Err.Number = 5, "error from Class_Initialize: " & Err.Number
ok initLog = "init;", "no Class_Terminate after a failed Class_Initialize: " & initLog
On Error GoTo 0

' When Class_Terminate runs: as soon as the last reference goes, wherever it was held.
Dim life
Class Tracked
  Public Name
  Private Sub Class_Terminate()
    life = life & Name & ";"
  End Sub
End Class
Function Track(n)
  Set Track = New Tracked
  Track.Name = n
End Function
Sub WithLocal()
  Dim p
  Set p = Track("local")
  life = life & "end;"
End Sub
Class Holder
  Public Inner
  Private Sub Class_Initialize()
    Set Inner = Track("inner")
  End Sub
  Private Sub Class_Terminate()
    life = life & "holder;"
  End Sub
End Class
Class FailsTerminate
  Private Sub Class_Terminate()
    life = life & "failing;"
    x = 1 / 0
    life = life & "not reached;"
  End Sub
End Class
Dim held(1), bag, lifeCases, lc
Set bag = CreateObject("Scripting.Dictionary")
' each row: statements to run, then what Class_Terminate logged while they ran
lifeCases = Array( _
  "Track ""result""", "result;", _
  "x = TypeName(Track(""argument""))", "argument;", _
  "Set a1 = Track(""first"") : Set a1 = Track(""second"")", "first;", _
  "Set held(0) = Track(""element"") : held(0) = 5", "element;", _
  "bag.Add ""k"", Track(""item"") : bag.Remove ""k""", "item;", _
  "ReDim r1(2) : Set r1(1) = Track(""redim"") : ReDim r1(3)", "redim;", _
  "ReDim r2(2) : Set r2(0) = Track(""erase"") : Erase r2", "erase;", _
  "WithLocal", "end;local;", _
  "Set h1 = New Holder : Set h1 = Nothing", "holder;inner;", _
  "Set ft = New FailsTerminate : Set ft = Nothing", "failing;")
For lc = 0 To UBound(lifeCases) Step 2
  life = ""
  ExecuteGlobal lifeCases(lc)
  ok life = lifeCases(lc + 1), lifeCases(lc) & ": " & life
Next
ok Err.Number = 0, "an error inside Class_Terminate does not reach the code that dropped the object"
life = ""
With Track("with")
  ok life = "", "With holds its object"
End With
ok life = "with;", "... until End With: " & life
