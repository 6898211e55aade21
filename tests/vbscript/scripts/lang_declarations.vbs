' Declarations as published script libraries use them: ReDim of script-level arrays from
' procedures and class methods, redeclaration in later units, variables written as
' statements, and New of names that are no class.

' The error number a piece of script-level code raises (0: none).
Function ErrOf(code)
  On Error Resume Next
  ExecuteGlobal code
  ErrOf = Err.Number
  Err.Clear
End Function

' ReDim in a procedure of a name declared at script level resizes that array (in this
' unit or an earlier one); a name declared nowhere still becomes a local.
Dim g()
Sub SizeG(n) : ReDim g(n) : End Sub
Sub GrowG(v)
  ReDim Preserve g(UBound(g) + 1)
  g(UBound(g)) = v
End Sub
Sub LocalOnly
  ReDim nowhere(2)
  nowhere(1) = "local"
  localSeen = UBound(nowhere)
End Sub
ExecuteGlobal "Dim lib() : ReDim lib(0)"
Sub GrowLib : ReDim Preserve lib(UBound(lib) + 1) : End Sub
Dim localSeen
SizeG 8
sizedG = UBound(g)
GrowG "last"
GrowLib
GrowLib
LocalOnly
CheckTable Array("sizedG", 8, "UBound(g)", 9, "g(9)", "last", "UBound(lib)", 2, _
  "IsEmpty(nowhere)", True, "localSeen", 2)

' The same from class methods: a field (declared before or after the method) and a
' script-level array.
Dim shared()
ReDim shared(0)
Class Bag
  Private early
  Sub Init
    ReDim early(1)
    ReDim late(4)
    ReDim Preserve shared(UBound(shared) + 2)
  End Sub
  Sub Add(v)
    ReDim Preserve late(UBound(late) + 1)
    late(UBound(late)) = v
  End Sub
  Function Sizes() : Sizes = UBound(early) & "," & UBound(late) & "," & late(UBound(late)) : End Function
  Private late
End Class
Set aBag = New Bag
aBag.Init
aBag.Add "x"
CheckTable Array("aBag.Sizes()", "1,5,x", "UBound(shared)", 2)

' A variable written as a statement, alone or with empty parentheses, is no procedure (13);
' an object in it has its default member called.
Class Counter
  Public Hits
  Public Default Sub Hit() : Hits = Hits + 1 : End Sub
End Class
Dim intCallVar : intCallVar = 5
Dim emptyVar
Set counterVar = New Counter
Const constVar = 3
Sub LocalStatement
  Dim lv : lv = 1
  lv
End Sub
Sub LocalParens
  Dim lv : lv = 1
  lv()
End Sub
CheckTable Array( _
  "ErrOf(""intCallVar"")", 13, "ErrOf(""intCallVar()"")", 13, "ErrOf(""emptyVar"")", 13, _
  "ErrOf(""constVar"")", 13, "ErrOf(""LocalStatement"")", 13, "ErrOf(""LocalParens"")", 13, _
  "ErrOf(""counterVar"")", 0, "counterVar.Hits", 1)

' A name defined by an earlier unit: Dim of an array over a variable raises 13, a Const
' over a variable or constant 1041 (in one unit each is compile error 1041); a plain Dim
' again is allowed, and nothing of a unit that fails is defined.
ExecuteGlobal "Dim egDynArr()"
ExecuteGlobal "Dim plainAgain : plainAgain = 1"
ExecuteGlobal "Dim overDim"
ExecuteGlobal "Const twiceConst = 4"
CheckTable Array( _
  "ErrOf(""Dim egDynArr()"")", 13, "ErrOf(""Dim plainAgain"")", 0, _
  "ErrOf(""Const overDim = 1"")", 1041, "ErrOf(""Const twiceConst = 5"")", 1041, "twiceConst", 4, _
  "ErrOf(""Dim sameUnit : Dim sameUnit"")", 1041, "ErrOf(""Dim inFailed : Const twiceConst = 6"")", 1041, _
  "ErrOf(""inFailed = 1"")", 0)

' New of a name declared nowhere: 500 "Variable is undefined"; of a variable or a
' procedure: 506 "Class not defined".
Dim notAClass
Function NewOfLocal()
  Dim lc
  On Error Resume Next
  Set o = New lc
  NewOfLocal = Err.Number
  Err.Clear
End Function
CheckTable Array( _
  "ErrOf(""Set o = New NoSuchThing"")", 500, "ErrOf(""Set o = New notAClass"")", 506, _
  "ErrOf(""Set o = New ErrOf"")", 506, "NewOfLocal()", 506)

' A class of the script named RegExp takes the place of the built-in one for New.
Function NewRegExp() : Set NewRegExp = New RegExp : End Function
builtinKind = TypeName(NewRegExp())
ExecuteGlobal "Class RegExp : Public Function Test(s) : Test = ""own "" & s : End Function : End Class"
Set ownRe = New RegExp
CheckTable Array("builtinKind", "IRegExp2", "ownRe.Test(""a"")", "own a", "NewRegExp().Test(""b"")", "own b")
