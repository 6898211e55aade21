' Scripting.Dictionary, VBScript.RegExp and Scripting.FileSystemObject
Dim d, k, keys
Set d = CreateObject("Scripting.Dictionary")
d.Add "b", 2
d.Add "a", 1
d("c") = 3
ok d.Count = 3, "Dictionary Count"
ok d.Exists("a"), "Exists"
ok Not d.Exists("A"), "keys compare binary by default"
ok d("b") = 2, "default member Item"
keys = ""
For Each k In d
  keys = keys & k
Next
ok keys = "bac", "For Each walks the keys in insertion order"
ok Join(d.Keys, ",") = "b,a,c", "Keys"
ok Join(d.Items, ",") = "2,1,3", "Items"
d.Key("b") = "bee"
ok d.Exists("bee") And Not d.Exists("b"), "Key renames"
ok IsEmpty(d("missing")), "reading a missing key gives Empty"
ok d.Exists("missing"), "... and adds the key"
On Error Resume Next
d.Add "a", 9
ok Err.Number = 457, "Add of an existing key raises 457"
Err.Clear
d.Remove "nothing here"
ok Err.Number = 32811, "Remove of a missing key raises 32811"
Err.Clear
On Error GoTo 0
d.RemoveAll
ok d.Count = 0, "RemoveAll"
d.CompareMode = vbTextCompare
d.Add "Key", 1
ok d.Exists("KEY"), "text compare mode"

Dim re, ms, m
Set re = New RegExp
re.Pattern = "(\w+)@(\w+)\.com"
re.Global = True
Set ms = re.Execute("bob@site.com, al@host.com")
ok ms.Count = 2, "Execute finds all matches"
ok ms(1).Value = "al@host.com", "Match value"
ok ms(1).FirstIndex = 14, "FirstIndex"
ok ms(1).Length = 11, "Length"
ok ms(0).SubMatches(1) = "site", "SubMatches"
ok re.Replace("bob@site.com", "$2:$1") = "site:bob", "Replace with groups"
ok re.Replace("bob@site.com", GetRef("Swap")) = "site:bob@0", "Replace through a function"
re.Pattern = "é."
Set ms = re.Execute("aéxéy")
ok ms(1).FirstIndex = 3, "FirstIndex counts characters"
re.Pattern = "^b"
re.IgnoreCase = True
ok re.Test("Bob"), "IgnoreCase"
re.Pattern = "^two$"
ok Not re.Test("one" & vbCrLf & "two"), "without Multiline ^ and $ are the text's ends"
re.Multiline = True
ok re.Test("one" & vbCrLf & "two"), "Multiline"
For Each m In re.Execute("two")
  ok m = "two", "For Each over matches"
Next

Dim fso, folder, path, ts
Set fso = CreateObject("Scripting.FileSystemObject")
folder = fso.BuildPath(fso.GetSpecialFolder(2).Path, fso.GetTempName())
fso.CreateFolder folder
ok fso.FolderExists(folder), "CreateFolder"
path = fso.BuildPath(folder, "a.txt")
Set ts = fso.CreateTextFile(path, True)
ts.WriteLine "first"
ts.Write "second"
ts.Close
ok fso.FileExists(path), "CreateTextFile"
ok fso.GetFile(path).Size = 13, "File Size"
Set ts = fso.OpenTextFile(path, 1)
ok ts.ReadLine = "first", "ReadLine"
ok ts.Line = 2, "Line"
ok ts.ReadAll = "second", "ReadAll"
ok ts.AtEndOfStream, "AtEndOfStream"
ts.Close
Set ts = fso.OpenTextFile(path, 8)
ts.WriteLine ""
ts.WriteLine "third"
ts.Close
Set ts = fso.OpenTextFile(path)
ts.SkipLine
ts.SkipLine
ok ts.ReadLine = "third", "ForAppending adds at the end"
ts.Close
ok fso.GetFileName(path) = "a.txt", "GetFileName"
ok fso.GetBaseName(path) = "a", "GetBaseName"
ok fso.GetExtensionName(path) = "txt", "GetExtensionName"
ok fso.GetParentFolderName(path) = folder, "GetParentFolderName"
fso.CopyFile path, fso.BuildPath(folder, "b.txt")
ok fso.GetFolder(folder).Files.Count = 2, "CopyFile and Files.Count"
On Error Resume Next
fso.GetFile fso.BuildPath(folder, "none.txt")
ok Err.Number = 53, "GetFile of a missing file raises 53"
Err.Clear
fso.OpenTextFile fso.BuildPath(folder, "none.txt")
ok Err.Number = 53, "OpenTextFile of a missing file raises 53"
Err.Clear
On Error GoTo 0
fso.DeleteFolder folder
ok Not fso.FolderExists(folder), "DeleteFolder"

Function Swap(whole, user, host, position, text)
  Swap = host & ":" & user & "@" & position
End Function
