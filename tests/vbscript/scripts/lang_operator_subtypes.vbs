' The subtypes the logical operators give with Empty, Null and Byte operands, and a Single
' compared with a Double, as the Windows engine gives them.
' Each table row is an expression and the value it must give; "error N" when it raises N.

Function Shown(v)
  If IsNull(v) Then Shown = "Null" Else Shown = TypeName(v) & " " & v
End Function

' Empty counts as the Long 0. A Byte implies Null as it implies 0 and stays a Byte (the
' reference gives Null for any operand whose bits are not all zero); the other operands
' keep the reference's three-valued rules.
CheckTable Array( _
  "Shown(Not Empty)", "Long -1", "Shown(Empty Imp Null)", "Long -1", "Shown(Not CByte(1))", "Byte 254", _
  "Shown(CByte(170) Imp Null)", "Byte 85", "Shown(CByte(255) Imp Null)", "Byte 0", _
  "Shown(CByte(0) Imp Null)", "Byte 255", "Shown(CByte(3) Imp CByte(1))", "Byte 253", _
  "Shown(0 Imp Null)", "Integer -1", "Shown(5 Imp Null)", "Null", "Shown(False Imp Null)", "Boolean True", _
  "Shown(True Imp Null)", "Null", "Shown(Null Imp True)", "Boolean True", "Shown(Null Imp 0)", "Null", _
  "Shown(CByte(0) And Null)", "Byte 0", "Shown(Null Or CByte(255))", "Byte 255")

' A Single beside a Double compares at Single precision (the reference compares numbers as
' they are); two Doubles and two Singles keep their own precision.
s = CSng(0.001 * 0.001)
CheckTable Array( _
  "CSng(0.001 * 0.001) = 0.000001", True, "0.000001 = s", True, "s <> 0.000001", False, _
  "CSng(0.1) = 0.1", True, "CSng(0.1) < 0.1", False, "0.1 + 0.2 = 0.3", False, _
  "CSng(1) < 1.00000001", False, "CSng(1) < 1.0000002", True, "CSng(1) < 1.001", True, "CSng(1) < 1E+300", True, _
  "CSng(0.1) = CDbl(CSng(0.1))", True, "CDbl(CSng(0.1)) = 0.1", False)
