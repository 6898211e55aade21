' Statement and declaration forms the Windows engine accepts, and assignments through
' nested indexes and Property Let.

' A procedure defined twice: the later definition stands, wherever the call is.
Dim twiceWas
Sub Twice() : twiceWas = "first" : End Sub
Twice
ok twiceWas = "second", "the later of two definitions stands: " & twiceWas
Sub Twice() : twiceWas = "second" : End Sub

' Procedures inside an If block at script level are defined whether or not it runs.
If False Then
  Function InFalseIf() : InFalseIf = "defined" : End Function
End If
If True Then
  Private Sub InTrueIf(ByRef r) : r = "ran" : End Sub
End If
InTrueIf r
ok InFalseIf() = "defined" And r = "ran", "procedures inside If blocks: " & r

' The body may start on the header's line; whole procedures and classes on one line.
Function OnHeaderLine(a) OnHeaderLine = a * 2
End Function
Sub OneLine(ByRef a) : a = a + 1 : End Sub
Class OneLineClass : Public Value : End Class
Class FieldThenEnd
  Public Value: End Class
Class MethodThenEnd
  Function Twice(a) Twice = 2 * a End Function End Class
Class FieldBeforeEnd : Public Value End Class
v = 1
OneLine v
Set olc = New OneLineClass
olc.Value = 3
Set mte = New MethodThenEnd
ok OnHeaderLine(4) = 8 And v = 2 And olc.Value = 3 And mte.Twice(3) = 6, "one-line forms"

' Property is a name like any other unless a procedure header follows.
Property = 5
Dim propertyHolder : propertyHolder = Property + 1
ok Property = 5 And propertyHolder = 6, "Property as a variable"

' Members after a line continuation go on the chain before them; a parenthesised object
' takes members too.
Class Chain
  Public Next_
  Public Name
  Public Function Self() : Set Self = Me : End Function
  Public Property Get Answer() : Answer = 42 : End Property
End Class
Set c = New Chain
c.Name = "c"
With New Chain
  .Name = "with"
  got = c _
    .Self() _
    .Name
End With
ok got = "c", "continued member chain inside With: " & got
answer = (New Chain).Answer
name = (c).Self().Name
ok answer = 42 And name = "c", "members of a parenthesised object"

' Assignments into an array held in an array element, and into an object held there.
Set d = CreateObject("Scripting.Dictionary")
Dim outer(2)
outer(0) = Array(1, 2, 3)
outer(1) = Array(Array(0, 0), Array(0, 0))
Set outer(2) = d
outer(0)(1) = 5
outer(1)(1)(0) = "deep"
Set outer(0)(2) = c
outer(2)("k") = "v"
ok outer(0)(1) = 5 And outer(0)(0) = 1, "x(0)(1) = value: " & outer(0)(1)
ok outer(1)(1)(0) = "deep" And outer(1)(0)(0) = 0, "x(1)(1)(0) = value"
ok outer(0)(2) Is c, "Set x(0)(2) = object"
ok d("k") = "v", "x(2)(key) = value goes to the object's default member"
Set d("inner") = CreateObject("Scripting.Dictionary")
outer(2)("inner")("x") = 1
ok d("inner")("x") = 1, "x(2)(key)(key) = value through two objects"
' The array in the element is changed in place: a copy taken before keeps its values.
inner = outer(0)
outer(0)(0) = 9
ok inner(0) = 1 And outer(0)(0) = 9, "copies stay apart"
' An index that replaces the arrays on the way: the element is looked up after it ran.
Function Regrow() : outer(0) = Array(7, 8, 9) : Regrow = 2 : End Function
Function Drop() : outer(0) = Empty : Drop = 0 : End Function
outer(0)(Regrow()) = 5
ok Join(outer(0), ",") = "7,8,5", "an index that replaces the inner array: " & Join(outer(0), ",")
CheckTable Array("Assign(""outer(0)(Drop()) = 1"")", "error 13")
outer(0) = Array(9, 2, c)
CheckTable Array( _
  "Assign(""outer(0)(7) = 1"")", "error 9", "Assign(""outer(5)(0) = 1"")", "error 9", _
  "Assign(""v(0)(0) = 1"")", "error 13")
Function Assign(stmt)
  On Error Resume Next
  Execute stmt
  Assign = "error " & Err.Number
  Err.Clear
End Function

' A Property Let given an object receives the object, with or without a default member.
Class Holder
  Public Got
  Public Property Let Item(x)
    If IsObject(x) Then Set Got = x Else Got = x
  End Property
  Public Sub Put(o) : Item = o : End Sub
End Class
Class WithDefault
  Public Default Property Get Value() : Value = "default value" : End Property
End Class
Set h = New Holder
h.Item = c
ok IsObject(h.Got), "Property Let receives an object with no default member"
ok h.Got Is c, "the very object"
h.Item = New WithDefault
ok IsObject(h.Got), "an object with a default member goes as it is"
h.Put c
ok h.Got Is c, "Property Let by name inside the class"
Set re = New RegExp
With h
  .Item = re
End With
ok h.Got Is re, "a host object with no default member, through With"
CheckTable Array( _
  "Assign(""propertyHolder = c"")", "error 438", "Assign(""h.Got = c"")", "error 438")

' A one-line If may be closed by End If (the reference has no such form), with or without
' Else, and statements may follow it after a colon; >< is <>.
if true then oneLineA = 1 end if
If False Then oneLineB = 1 Else oneLineB = 2 End If
If True Then oneLineC = 1 : oneLineD = 2 End If : oneLineE = 3
If True Then If False Then oneLineF = 1 Else oneLineF = 2 End If
CheckTable Array("oneLineA", 1, "oneLineB", 2, "oneLineC & oneLineD & oneLineE", "123", "oneLineF", 2, _
  "1 >< 2", True, "1 >< 1", False, """a""><""b""", True)

' Parts after an expression in parentheses: Call (New C).M(), call (((f))) (x), (f)(x),
' ((x))(0), (New C)(5) for the default member, and New C.Init(5) as (New C).Init(5).
Class Parts
  Public V
  Public Default Function Twin(a) : Set Twin = New Parts : Twin.V = a & a : End Function
  Public Sub Mark() : partsMarked = partsMarked + 1 : End Sub
  Public Function Init(a) : V = a : Set Init = Me : End Function
End Class
Function Doubled(a) : Doubled = a * 2 : lastDoubled = Doubled : End Function
Dim partsMarked, lastDoubled
Call (New Parts).Mark()
call (((Doubled))) (21)
partsArr = Array("first", "second")
Set partsTwin = (New Parts)(5)
Set partsInit = New Parts.Init(7)
CheckTable Array("partsMarked", 1, "lastDoubled", 42, "(Doubled)(4)", 8, "((partsArr))(1)", "second", _
  "partsTwin.V", "55", "partsInit.V", 7, "(New Parts).Init(3).V", 3)

' A number that starts with a dot right after a call statement's name is its argument:
' NpS.5 calls NpS with 0.5, inside With too.
Sub NpS(a) : npsGot = npsGot & "|" & a : End Sub
Class DotArg
  Sub Check(a) : npsGot = npsGot & "|c" & a : End Sub
End Class
Dim npsGot
Set dotTarget = New DotArg
NpS.5
NpS.5E1
dotTarget.Check.5
With dotTarget
  .Check.25
End With
ok npsGot = "|0.5|5|c0.5|c0.25", "a number after a dot as the argument: " & npsGot

' S(x) op y as a statement calls S with (x) op y, for every binary operator but =.
Sub TakesOne(a) : takenValue = a : End Sub
Dim takenValue
opX = 3 : opY = 4
Function StatementOp(op)
  Execute "TakesOne(opX) " & op & " opY"
  StatementOp = takenValue
End Function
CheckTable Array( _
  "StatementOp(""+"")", 7, "StatementOp(""-"")", -1, "StatementOp(""*"")", 12, "StatementOp(""/"")", 0.75, _
  "StatementOp(""\"")", 0, "StatementOp(""Mod"")", 3, "StatementOp(""^"")", 81, "StatementOp(""&"")", "34", _
  "StatementOp(""<"")", True, "StatementOp("">"")", False, "StatementOp(""<="")", True, _
  "StatementOp("">="")", False, "StatementOp(""<>"")", True, "StatementOp(""><"")", True, _
  "StatementOp(""And"")", 0, "StatementOp(""Or"")", 7, "StatementOp(""Xor"")", 7, _
  "StatementOp(""Eqv"")", -8, "StatementOp(""Imp"")", -4)
