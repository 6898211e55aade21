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

' Dictionary: key subtypes, renames, compare mode, errors
Dim dx
Set dx = CreateObject("Scripting.Dictionary")
dx.Add 1, "int"
ok dx.Exists(1) And Not dx.Exists("1"), "a number key and a text key differ"
dx.Item(2) = "two"
ok dx(2) = "two" And dx.Count = 2, "assigning Item adds the key"
Set dx(3) = dx
ok dx(3) Is dx, "Set of an item"
ok dx.Keys()(0) = 1, "indexing the Keys() result"
ok UBound(CreateObject("Scripting.Dictionary").Keys) = -1, "Keys of an empty dictionary"
On Error Resume Next
dx.Key(1) = 2
ok Err.Number = 457, "renaming onto an existing key raises 457: " & Err.Number
Err.Clear
dx.CompareMode = vbTextCompare
ok Err.Number = 5, "CompareMode of a dictionary that holds items raises 5: " & Err.Number
Err.Clear
dx.Remove "missing"
ok Err.Description = "Element not found", "description of 32811: " & Err.Description
Err.Clear
On Error GoTo 0
Set dx(3) = Nothing

' RegExp: replacement patterns, Global off, unmatched groups, empty matches, bad patterns
Dim rx, mx
Set rx = New RegExp
rx.Pattern = "a(1)(2)?"
rx.Global = True
ok rx.Replace("xa1y", "[$&|$`|$'|$$|$1|$2]") = "x[a1|x|y|$|1|]y", "$&, $`, $', $$ and groups"
rx.Global = False
ok rx.Replace("a1 a1", "X") = "X a1", "without Global only the first match"
rx.Pattern = "(a)|(b)"
Set mx = rx.Execute("b")
ok IsEmpty(mx(0).SubMatches(0)) And mx(0).SubMatches(1) = "b", "an unmatched group is Empty"
rx.Global = True
rx.Pattern = "x*"
ok rx.Replace("abc", "-") = "-a-b-c-", "empty matches between characters"
rx.Pattern = "\bfoo\b"
ok rx.Test("a foo b") And Not rx.Test("afoob"), "word boundaries"
Set rx = CreateObject("VBScript.RegExp")
ok rx.Global = False And rx.IgnoreCase = False And rx.Multiline = False And rx.Pattern = "", "defaults"
rx.Pattern = "(["
On Error Resume Next
x = rx.Test("a")
ok Err.Number >= 5017 And Err.Number <= 5021, "a bad pattern raises a regular expression error: " & Err.Number
Err.Clear
On Error GoTo 0

' FileSystemObject: stream positions and the errors of files and streams
Dim fx, fdir, fpath, tx
Set fx = CreateObject("Scripting.FileSystemObject")
fdir = fx.BuildPath(fx.GetSpecialFolder(2).Path, fx.GetTempName())
fx.CreateFolder fdir
fpath = fx.BuildPath(fdir, "t.txt")
Set tx = fx.CreateTextFile(fpath, True)
tx.WriteLine "line1"
tx.Write "ab"
tx.WriteBlankLines 2
tx.Write "end"
tx.Close
ok fx.GetFile(fpath).Size = 16, "WriteLine and WriteBlankLines end lines with CR LF: " & fx.GetFile(fpath).Size
Set tx = fx.OpenTextFile(fpath, 1)
ok tx.ReadLine = "line1" And tx.Line = 2, "ReadLine moves to the next line"
ok tx.Read(1) = "a" And tx.Column = 2, "Read and Column"
tx.SkipLine
tx.SkipLine
ok tx.ReadAll = "end" And tx.AtEndOfStream, "SkipLine and ReadAll"
On Error Resume Next
x = tx.ReadLine
ok Err.Number = 62, "reading past the end raises 62: " & Err.Number
Err.Clear
tx.Write "x"
ok Err.Number = 54, "writing to a stream opened for reading raises 54: " & Err.Number
Err.Clear
tx.Close
fx.CreateFolder fdir
ok Err.Number = 58, "creating an existing folder raises 58: " & Err.Number
Err.Clear
fx.CopyFile fpath, fpath & ".copy"
fx.CopyFile fpath, fpath & ".copy", False
ok Err.Number = 58, "copying onto an existing file without overwrite raises 58: " & Err.Number
Err.Clear
Set tx = fx.OpenTextFile(fx.BuildPath(fdir, "none/x.txt"), 2, True)
ok Err.Number = 76, "a file in a missing folder raises 76: " & Err.Number
Err.Clear
Set tx = fx.OpenTextFile(fpath, 9)
ok Err.Number = 5, "an unknown mode raises 5: " & Err.Number
Err.Clear
On Error GoTo 0
Set tx = fx.OpenTextFile(fpath, 2, False, -1)
tx.Write "üni"
tx.Close
Set tx = fx.OpenTextFile(fpath, 1, False, -1)
ok tx.ReadAll = "üni", "a Unicode stream round trip"
tx.Close
Set tx = fx.OpenTextFile(fpath, 2, False, 0)
tx.Write "ü"
tx.Close
ok fx.GetFile(fpath).Size = 1, "an ASCII stream writes the ANSI code page"
fx.CreateFolder fx.BuildPath(fdir, "sub")
fx.MoveFile fpath & ".copy", fx.BuildPath(fdir, "sub/moved.txt")
ok fx.FileExists(fx.BuildPath(fdir, "sub/moved.txt")) And Not fx.FileExists(fpath & ".copy"), "MoveFile"
ok fx.GetFolder(fdir).SubFolders.Count = 1 And fx.GetFolder(fdir).Files.Count = 1, "SubFolders and Files"
ok fx.GetFile(fpath).ParentFolder.Path = fdir And TypeName(fx.GetFile(fpath).DateLastModified) = "Date", "File members"
fx.DeleteFolder fdir
ok Not fx.FolderExists(fdir), "DeleteFolder removes what the folder holds"
