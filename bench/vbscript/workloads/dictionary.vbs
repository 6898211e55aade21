' Scripting.Dictionary with string keys: adds, hits and misses with Exists,
' item reads and updates, removals, Count and a walk over the keys.
Sub Main
  Dim d, i, k, s, n, misses
  n = 400000
  Set d = CreateObject("Scripting.Dictionary")
  For i = 1 To n
    d.Add "k" & i, i
  Next
  For i = 1 To 2 * n
    k = "k" & ((i * 7) Mod n + 1)
    If d.Exists(k) Then d(k) = d(k) + 1
  Next
  For i = 1 To n Step 3
    d.Remove "k" & i
  Next
  misses = 0
  For i = 1 To n
    If Not d.Exists("k" & i) Then misses = misses + 1
  Next
  s = 0
  For Each k In d.Keys
    s = (s + d.Item(k)) Mod 1000003
  Next
  WScript.Echo d.Count, misses, s
End Sub
Main
