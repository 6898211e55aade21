' Calls, Err.Raise and Property Let as the Windows engine runs them, where published
' script libraries count on it. Each table row is an expression and the value it must
' give; "error N" when it raises N.

Class ListOf
  Public Default Property Get Items()
    Items = Array("a", "b", "c")
  End Property
End Class
Class Plain
  Public fld
End Class
Class Number42
  Public Default Property Get Value() : Value = 42 : End Property
End Class
Set list = New ListOf
Set plainObj = New Plain
plainObj.fld = 5
Set n42 = New Number42
Set nada = Nothing

' An object whose default property returns an array stands for that array in Join,
' Filter, UBound and LBound. Of other values that are no array, an object (Nothing
' among them) is error 91 to UBound and LBound, anything else 13.
CheckTable Array( _
  "Join(list, "","")", "a,b,c", "Join(Filter(list, ""b""), "","")", "b", "UBound(list)", 2, _
  "LBound(list)", 0, "UBound(list, 2)", "error 9", "Join(n42)", "error 13", _
  "LBound(Nothing)", "error 91", "UBound(nada)", "error 91", "UBound(plainObj)", "error 91", _
  "UBound(n42)", "error 13", "UBound(5)", "error 13", "LBound(Empty)", "error 13", "UBound(Null)", "error 13")

' Eval, Execute, ExecuteGlobal and GetRef take text only; a class field holding no
' array or object takes no index (438 where the reference would say 13).
Function Try(stmt)
  On Error Resume Next
  Execute stmt
  Try = "error " & Err.Number
End Function
CheckTable Array( _
  "Eval(42)", "error 13", "GetRef(42)", "error 13", "Try(""Execute 42"")", "error 13", _
  "Try(""ExecuteGlobal 42"")", "error 13", "Try(""Execute Empty"")", "error 13", _
  "Eval(""1 + 1"")", 2, "plainObj.fld(0)", "error 438", "Try(""plainObj.fld(0) = 3"")", "error 438", _
  "plainObj.fld", 5)

' A conversion function called as a statement converts, then raises 458; an error of
' the conversion itself comes first. Other functions as statements raise nothing.
CheckTable Array( _
  "Try(""Call CInt(1)"")", "error 458", "Try(""CLng 1"")", "error 458", _
  "Try(""Call CStr(1)"")", "error 458", "Try(""Call CDate(1)"")", "error 458", _
  "Try(""Call CInt(32767.5)"")", "error 6", "Try(""Call CByte("""""""")"")", "error 13", _
  "Try(""Call Abs(-4)"")", "error 0", "Try(""Call Sqr(-2)"")", "error 5")

' Err.Raise: a positive number past 16 bits is 5, one past 32 bits 6; an HRESULT
' stands. The source and description given stand for every number (450 too).
Function Raised(number)
  On Error Resume Next
  Err.Raise number
  Raised = Err.Number
  Err.Clear
End Function
CheckTable Array( _
  "Raised(&h10000&)", 5, "Raised(-3000000000)", 6, "Raised(&hFFFF&)", 65535, "Raised(&h8000)", -32768, _
  "Raised(-20)", -20, "Raised(vbObjectError + 1)", vbObjectError + 1, "Raised(0)", 5)
On Error Resume Next
Err.Raise 450, "src", "custom"
ok Err.Number = 450 And Err.Source = "src" And Err.Description = "custom", "Err.Raise 450 keeps its texts"
Err.Clear
Err.Raise 5, "src5", "five"
ok Err.Source = "src5" And Err.Description = "five", "Err.Raise 5 keeps its texts"
On Error GoTo 0

' A Property Let receives an object as it is: one with a default property, a
' Dictionary, Nothing, Me, and through a chain of members.
Class Node
  Public Nxt
  Private got_
  Public Property Let Value(x)
    If IsObject(x) Then Set got_ = x Else got_ = x
  End Property
  Public Property Get Seen()
    If IsObject(got_) Then
      If got_ Is Nothing Then Seen = "Nothing" Else Seen = TypeName(got_)
    Else
      Seen = "value " & got_
    End If
  End Property
  Public Sub LinkBack(child) : child.Value = Me : End Sub
End Class
Set root = New Node
Set root.Nxt = New Node
Set root.Nxt.Nxt = New Node
root.Value = n42
seen1 = root.Seen
root.Value = CreateObject("Scripting.Dictionary")
seen2 = root.Seen
root.Value = Nothing
seen3 = root.Seen
root.Nxt.Nxt.Value = root
seen4 = root.Nxt.Nxt.Seen
root.LinkBack root.Nxt
seen5 = root.Nxt.Seen
With root.Nxt
  .Value = n42
  seen6 = .Seen
End With
root.Value = 7
CheckTable Array( _
  "seen1", "Number42", "seen2", "Dictionary", "seen3", "Nothing", "seen4", "Node", _
  "seen5", "Node", "seen6", "Number42", "root.Seen", "value 7")
' A field or a variable given an object without Set takes its default value.
plainObj.fld = n42
plainVar = n42
CheckTable Array("plainObj.fld", 42, "IsObject(plainObj.fld)", False, "plainVar", 42)
