' Scripting.Dictionary keys through growth, removal and renaming: what each key
' finds, the order the keys come back in, and keys equal by value or text.
Dim d, i, k, s, n, missing

' Growth to a few thousand keys, then every third removed and added back at the end.
Set d = CreateObject("Scripting.Dictionary")
n = 3000
For i = 1 To n
  d.Add "k" & i, i
Next
missing = 0
For i = 1 To n
  If d("k" & i) <> i Then missing = missing + 1
Next
ok missing = 0, "every key finds its item after growth"
For i = 1 To n Step 3
  d.Remove "k" & i
Next
ok d.Count = n - 1000, "Count after removals"
ok Not d.Exists("k1") And d.Exists("k2") And Not d.Exists("k2998"), "removed keys are gone, others stay"
For i = 1 To n Step 3
  d.Add "k" & i, -i
Next
ok d.Count = n, "removed keys added again"
ok d("k4") = -4 And d("k5") = 5, "items of re-added keys"
k = d.Keys
ok k(0) = "k2" And k(n - 1001) = "k3000" And k(n - 1000) = "k1" And k(n - 1) = "k2998", "re-added keys come last"

' Renaming keeps the place in order; the old name is free again, the new one taken.
d.Key("k2") = "two"
ok d.Exists("two") And Not d.Exists("k2"), "Key renames"
ok d.Keys()(0) = "two", "a renamed key keeps its place"
d.Add "k2", "again"
ok d("k2") = "again" And d("two") = 2, "the old name is a new key"
On Error Resume Next
d.Key("two") = "k3"
ok Err.Number = 457, "renaming onto an existing key: error 457"
Err.Clear
On Error GoTo 0

' Keys equal by value: numbers of any subtype, not their text; Booleans are their own keys.
Set d = CreateObject("Scripting.Dictionary")
d.Add 1, "one"
d.Add "1", "text"
d.Add True, "true"
d.Add Empty, "empty"
d.Add Null, "null"
ok d(CDbl(1)) = "one" And d(CByte(1)) = "one" And d(CCur(1)) = "one", "1 is one key whatever its subtype"
ok d(-1) = Empty And d(True) = "true", "True is not -1"
ok d(Empty) = "empty" And d(Null) = "null", "Empty and Null keys"
ok d.Exists(-1), "reading a missing key added it"
d.Add -0, "zero"
ok d(0) = "zero", "-0 and 0 are one key"
Dim o1, o2
Set o1 = CreateObject("Scripting.Dictionary")
Set o2 = CreateObject("Scripting.Dictionary")
d.Add o1, "first object"
ok d(o1) = "first object" And Not d.Exists(o2), "objects are keys by identity"
On Error Resume Next
d.Add Array(1), 1
ok Err.Number = 13, "an array is no key: error 13"
Err.Clear
On Error GoTo 0

' Text mode: letter case ignored, also beyond ASCII.
Set d = CreateObject("Scripting.Dictionary")
d.CompareMode = vbTextCompare
d.Add "Äpfel", 1
d.Add "key", 2
ok d.Exists("äPFEL") And d.Exists("KEY"), "text mode ignores case"
ok d.Count = 2, "no keys added by the lookups"
d("ÄPFEL") = 3
ok d("äpfel") = 3 And d.Count = 2, "text mode item assignment finds the key"
d.Remove "KEY"
ok Not d.Exists("key") And d.Count = 1, "text mode removal"

' An item whose end runs code that changes the same dictionary.
Class Noisy
  Public target
  Private Sub Class_Terminate()
    target.Add "added by terminate", 1
  End Sub
End Class
Set d = CreateObject("Scripting.Dictionary")
Set s = New Noisy
Set s.target = d
d.Add "x", s
Set s = Nothing
d("x") = 5
ok d("x") = 5 And d.Exists("added by terminate"), "replacing an item whose Terminate adds a key"

' Keys looked up in their own order, with removed keys between them, and in text
' mode with other letter case.
Set d = CreateObject("Scripting.Dictionary")
For i = 1 To 50
  d.Add "key" & i, i
Next
For i = 1 To 50 Step 4
  d.Remove "key" & i
Next
s = 0
For Each k In d.Keys
  s = s + d(k)
Next
ok s = 1275 - (1 + 5 + 9 + 13 + 17 + 21 + 25 + 29 + 33 + 37 + 41 + 45 + 49), "every key in order finds its item"
ok Not d.Exists("key5") And d.Exists("key6") And d("key50") = 50, "removed keys stay missing between found ones"
Set d = CreateObject("Scripting.Dictionary")
d.CompareMode = vbTextCompare
d.Add "Alpha", 1
d.Add "Beta", 2
d.Add "Gamma", 3
ok d("ALPHA") + d("beta") + d("GAMMA") = 6, "text mode keys in order with other letter case"
ok d.Count = 3, "nothing added by those lookups"
