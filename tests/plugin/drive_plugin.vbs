' Drives every window-free method of Duvisto.Browse late-bound, as a script would, and checks
' that the by-reference outputs reach the script's own variables. Ends with "vbscript: all checks
' passed" only when every check held: a runtime error ends cscript with exit code 0 under Wine.
Option Explicit

Dim failures : failures = 0

Sub Check(description, actual, expected)
  If actual <> expected Then
    WScript.Echo "FAILED: " & description & ": got [" & actual & "], expected [" & expected & "]"
    failures = failures + 1
  End If
End Sub

Dim browse : Set browse = CreateObject("Duvisto.Browse")
Check "Initialize", browse.Initialize(2053, "a@example.com", Nothing), True

Dim pluginName, commandCount, tagCount
pluginName = "old" : commandCount = "3" : tagCount = Empty
Check "GetPublishInfo", browse.GetPublishInfo(pluginName, commandCount, tagCount), True
Check "plug-in name", pluginName, "Duvisto by morvane12"
Check "command count", commandCount, 7
Check "command count type", TypeName(commandCount), "Long"
Check "tag count", tagCount, 0
Check "tag count type, written though Empty already converts to 0", TypeName(tagCount), "Long"

Dim index, commandName, commandValue, commandHelp
For index = 1 To 7
  commandName = Empty : commandValue = Empty : commandHelp = "kept"
  browse.GetPublishCommandInfo index, commandName, commandValue, commandHelp
  Check "row " & index & " value", Left(commandValue, 1), "x"
Next
commandHelp = "kept"
browse.getpublishcommandinfo 5, commandName, commandValue, commandHelp
Check "row 5 name", commandName, "Open browser (local)"
Check "row 5 help", commandHelp, "URL (address)"
commandHelp = "kept"
browse.GetPublishCommandInfo 7, commandName, commandValue, commandHelp
Check "row 7 keeps help", commandHelp, "kept"
commandName = "kept"
browse.GetPublishCommandInfo 8, commandName, commandValue, commandHelp
Check "row 8 writes nothing", commandName, "kept"

' A variable the method does not write keeps its type, also when the call is refused.
Function Types()
  Types = TypeName(commandName) & " " & TypeName(commandValue) & " " & TypeName(commandHelp)
End Function
commandName = Empty : commandValue = 12 : commandHelp = Empty
browse.GetPublishCommandInfo 8, commandName, commandValue, commandHelp
Check "row 8 keeps the types", Types(), "Empty Integer Empty"
On Error Resume Next
browse.GetPublishCommandInfo "abc", commandName, commandValue, commandHelp
Dim refusal : refusal = Err.Number
On Error GoTo 0
Check "a text index is a type mismatch", refusal, 13
Check "the refused call keeps the types", Types(), "Empty Integer Empty"
browse.GetPublishCommandInfo 1, commandName, commandValue, commandHelp
Check "row 1 writes name and value only", Types(), "String String Empty"

Dim result : result = "kept"
Check "unknown command", browse.ParseCommand("/hello", "", Nothing, result), False
Check "unknown command result", result, "kept"
Check "status request", browse.ParseCommand("/XBCHKCONTACT", "", Nothing, result), True
Check "status request text", Left(result, 6), Chr(9) & "check"

Dim toSend : toSend = ""
Check "check answered", browse.ReceiveNotify("Check", "", "B", Nothing, toSend), True
Check "status answer", toSend, "I have Messenger Plus! and morvane12's Duvisto plug-in (v1.0.0). My remote browsing status is " & Chr(2) & "disabled."
Check "Uninitialize", IsEmpty(browse.Uninitialize()), True

If failures > 0 Then WScript.Quit 1
WScript.Echo "vbscript: all checks passed"
WScript.Quit 0
