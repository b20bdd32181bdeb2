' Smoke check of Duvisto.dll on a real Windows machine, with nothing but what Windows ships.
'
'   cscript //nologo smoke_check.vbs [path\to\Duvisto.dll] [/window]
'
' Run it from an elevated command prompt: registering a COM server writes HKEY_CLASSES_ROOT.
' The DLL defaults to Duvisto.dll beside this script. The check registers a copy of it with
' regsvr32, creates Duvisto.Browse in a second script host (so the DLL is unloaded again when
' that ends), runs the window-free calls and checks their answers; with /window it also opens
' the browser window twice at smoke_page.html beside this script (or at a web address without
' it), in local mode and as a partner's page: try what the page lists, look, and close the
' window each time. Then it unregisters the copy, deletes it, and
' puts back a registration of Duvisto that was there before. Every check prints a PASS or FAIL
' line; the exit code is the number of failures. On 64-bit Windows it runs itself again under
' the 32-bit script host, the only one that can load a 32-bit DLL.
Option Explicit

Const kServerKey = "HKCR\CLSID\{6C5C9BD1-092C-4712-9E62-D159B1BD0DED}\InprocServer32\"
Const kTestAddress = "http://www.example.com/"

Dim shell : Set shell = CreateObject("WScript.Shell")
Dim fso : Set fso = CreateObject("Scripting.FileSystemObject")
Dim passes : passes = 0
Dim failures : failures = 0
Dim logStream   ' set in the calls stage: its lines go to a file that the first stage prints

' ---- reporting

Sub Say(line)
  If IsObject(logStream) Then logStream.WriteLine line Else WScript.Echo line
End Sub

Sub Report(passed, text)
  If passed Then
    Say "PASS: " & text
    passes = passes + 1
  Else
    Say "FAIL: " & text
    failures = failures + 1
  End If
End Sub

Function Shown(value)
  If IsEmpty(value) Then
    Shown = "Empty"
  Else
    Shown = "[" & Replace(Replace(value, Chr(9), "<9>"), Chr(2), "<2>") & "]"
  End If
End Function

' Reports a call's answer; a call that raised an error fails with that error.
Sub Expect(text, actual, expected)
  If Err.Number <> 0 Then
    Report False, text & ": error " & Hex(Err.Number) & " " & Err.Description
    Err.Clear
  ElseIf IsEmpty(expected) Then
    Report IsEmpty(actual), text & IIf(IsEmpty(actual), "", ": got " & Shown(actual) & ", expected Empty")
  ElseIf IsEmpty(actual) Then
    Report False, text & ": got Empty, expected " & Shown(expected)
  ElseIf actual = expected Then
    Report True, text
  Else
    Report False, text & ": got " & Shown(actual) & ", expected " & Shown(expected)
  End If
End Sub

Function IIf(condition, whenTrue, whenFalse)
  If condition Then IIf = whenTrue Else IIf = whenFalse
End Function

' ---- arguments

' (By index: some script hosts cannot enumerate WScript.Arguments with For Each.)
Function OptionGiven(name)
  Dim i
  OptionGiven = False
  For i = 0 To WScript.Arguments.Count - 1
    If LCase(WScript.Arguments(i)) = name Then OptionGiven = True
  Next
End Function

Function OptionValue(prefix)
  Dim i
  OptionValue = ""
  For i = 0 To WScript.Arguments.Count - 1
    If LCase(Left(WScript.Arguments(i), Len(prefix))) = prefix Then OptionValue = Mid(WScript.Arguments(i), Len(prefix) + 1)
  Next
End Function

Function DllArgument()
  Dim i
  DllArgument = fso.BuildPath(fso.GetParentFolderName(WScript.ScriptFullName), "Duvisto.dll")
  For i = 0 To WScript.Arguments.Count - 1
    If Left(WScript.Arguments(i), 1) <> "/" Then DllArgument = fso.GetAbsolutePathName(WScript.Arguments(i))
  Next
End Function

Function Quoted(text)
  Quoted = """" & text & """"
End Function

' ---- stages in script hosts of their own

' Runs this script in the script host `host` with `arguments`, waits, passes on what it
' reported and counts its checks (a stage that ended badly counts as one failure more).
Sub RunStage(host, arguments, windowStyle)
  Dim logPath, exitCode, stream, text, reported
  logPath = fso.BuildPath(fso.GetSpecialFolder(2), fso.GetTempName)
  exitCode = shell.Run(Quoted(host) & " //nologo " & Quoted(WScript.ScriptFullName) & " " & arguments & _
                       " " & Quoted("/log:" & logPath), windowStyle, True)
  text = ""
  If fso.FileExists(logPath) Then
    Set stream = fso.OpenTextFile(logPath, 1)
    If Not stream.AtEndOfStream Then text = stream.ReadAll
    stream.Close
    fso.DeleteFile logPath
  End If
  If Right(text, 2) = vbCrLf Then text = Left(text, Len(text) - 2)
  If text <> "" Then Say text
  passes = passes + UBound(Split(vbCrLf & text, vbCrLf & "PASS: "))
  reported = UBound(Split(vbCrLf & text, vbCrLf & "FAIL: "))
  failures = failures + reported
  If exitCode <> reported Then Report False, "the stage's script host ended with code " & exitCode & " after " & reported & " failures"
End Sub

' The path that HKEY_CLASSES_ROOT names as Duvisto.Browse's server, or "" when there is none.
Function RegisteredServer()
  On Error Resume Next
  RegisteredServer = shell.RegRead(kServerKey)
  If Err.Number <> 0 Then RegisteredServer = ""
  Err.Clear
End Function

Function Regsvr32(arguments)
  Regsvr32 = shell.Run("regsvr32 /s " & arguments, 0, True)
End Function

' ---- the first stage: register a copy, run the calls, unregister, restore

Sub MainStage()
  Dim dll, earlier, folder, copy, exitCode, stageArguments
  dll = DllArgument()
  If Not fso.FileExists(dll) Then
    Report False, "Duvisto.dll is at " & dll
    Exit Sub
  End If
  earlier = RegisteredServer()

  folder = fso.BuildPath(fso.GetSpecialFolder(2), "duvisto-smoke-" & fso.GetBaseName(fso.GetTempName))
  fso.CreateFolder folder
  copy = fso.BuildPath(folder, "Duvisto.dll")
  fso.CopyFile dll, copy

  exitCode = Regsvr32(Quoted(copy))
  Report exitCode = 0, "regsvr32 registers a copy of " & dll & IIf(exitCode = 0, "", _
         " (exit code " & exitCode & "; is this prompt elevated?)")
  If exitCode = 0 Then
    Report LCase(RegisteredServer()) = LCase(copy), "Duvisto.Browse's server is the copy: " & RegisteredServer()
    stageArguments = "/stage:calls"
    If OptionGiven("/window") Then
      stageArguments = stageArguments & " /window"
      Say "INFO: a browser window opens at " & WindowAddress() & ", first in local mode, then as a partner's page."
      Say "INFO: each time, try what the page lists (nothing may leave the window), then close the window."
    End If
    RunStage WScript.FullName, stageArguments, IIf(OptionGiven("/window"), 1, 0)

    exitCode = Regsvr32("/u " & Quoted(copy))
    Report exitCode = 0, "regsvr32 /u unregisters the copy" & IIf(exitCode = 0, "", " (exit code " & exitCode & ")")
    Report RegisteredServer() = "", "Duvisto.Browse has no server after that"
  End If

  On Error Resume Next
  fso.DeleteFolder folder, True
  Report Err.Number = 0, "the copy is deleted" & IIf(Err.Number = 0, "", ": " & Err.Description)
  Err.Clear
  On Error GoTo 0

  If earlier <> "" Then
    exitCode = Regsvr32(Quoted(earlier))
    Report exitCode = 0 And LCase(RegisteredServer()) = LCase(earlier), _
           "the earlier registration of " & earlier & " is back"
  End If
End Sub

' ---- the second stage: the plug-in's window-free calls, as the host makes them

Sub CallsStage()
  Dim browse, answer, pluginName, commandCount, tagCount, row, index, name, value, help, result, toSend
  ' Two rows of the catalogue, one with help and one without (its help variable keeps Empty);
  ' every row's texts are checked by the tests under Wine.
  Dim rows(7)
  rows(2) = Array("Disable remote browsing", "xbdisable", "you will still be able to browse locally")
  rows(7) = Array("About...", "xbabout", Empty)

  On Error Resume Next
  Set browse = CreateObject("Duvisto.Browse")
  If Err.Number <> 0 Then
    Report False, "CreateObject(""Duvisto.Browse""): error " & Hex(Err.Number) & " " & Err.Description
    Exit Sub
  End If
  Report True, "CreateObject(""Duvisto.Browse"") creates the plug-in"

  answer = browse.Initialize(0, "smoke@example.com", Nothing)
  Expect "Initialize answers True", answer, True

  ' The counts are written as Longs, whatever the variables held.
  pluginName = "old" : commandCount = "3" : tagCount = Empty
  answer = browse.GetPublishInfo(pluginName, commandCount, tagCount)
  Expect "GetPublishInfo answers True", answer, True
  Expect "GetPublishInfo: the plug-in's name", pluginName, "Duvisto by morvane12"
  Expect "GetPublishInfo: seven commands", TypeName(commandCount) & " " & commandCount, "Long 7"
  Expect "GetPublishInfo: no tags", TypeName(tagCount) & " " & tagCount, "Long 0"

  For Each index In Array(2, 7)
    row = rows(index)
    name = Empty : value = Empty : help = Empty
    answer = browse.GetPublishCommandInfo(index, name, value, help)
    Expect "GetPublishCommandInfo(" & index & ") answers Empty", answer, Empty
    Expect "GetPublishCommandInfo(" & index & "): name", name, row(0)
    Expect "GetPublishCommandInfo(" & index & "): command", value, row(1)
    Expect "GetPublishCommandInfo(" & index & "): help", help, row(2)
  Next
  For Each index In Array(0, 8)
    name = "kept" : value = Empty : help = 12
    browse.GetPublishCommandInfo index, name, value, help
    Expect "GetPublishCommandInfo(" & index & ") leaves the name", name, "kept"
    Expect "GetPublishCommandInfo(" & index & ") leaves the command", value, Empty
    Expect "GetPublishCommandInfo(" & index & ") leaves the help", TypeName(help) & " " & help, "Integer 12"
  Next

  result = "kept"
  answer = browse.ParseCommand("/xbnothing", "", Nothing, result)
  Expect "ParseCommand(""/xbnothing"") is not the plug-in's", answer, False
  Expect "ParseCommand(""/xbnothing"") leaves the result", result, "kept"
  answer = browse.ParseCommand("/XBChkContact", "x", Nothing, result)
  Expect "ParseCommand(""/XBChkContact"") answers True", answer, True
  Expect "ParseCommand(""/XBChkContact""): the status request", result, Chr(9) & "check" & _
         "I would like to check your status of remote browsing. This will only work if you have Messenger Plus! and the plug-in Duvisto by morvane12."

  toSend = "kept"
  answer = browse.ReceiveNotify("check", "", "partner", Nothing, toSend)
  Expect "ReceiveNotify(""check"") answers True", answer, True
  Expect "ReceiveNotify(""check""): the status answer", toSend, _
         "I have Messenger Plus! and morvane12's Duvisto plug-in (v1.0.0). My remote browsing status is " & Chr(2) & "disabled."
  toSend = "kept"
  answer = browse.ReceiveNotify("brows", kTestAddress, "partner", Nothing, toSend)
  Expect "ReceiveNotify(""brows"") while disabled answers True", answer, True
  Expect "ReceiveNotify(""brows"") while disabled sends nothing", toSend, "kept"
  answer = browse.ReceiveNotify("other", "", "partner", Nothing, toSend)
  Expect "ReceiveNotify(""other"") is not the plug-in's", answer, False

  If OptionGiven("/window") Then
    result = "kept"
    answer = browse.ParseCommand("/xbrowser", WindowAddress(), Nothing, result)
    Expect "ParseCommand(""/xbrowser"") opens the window and answers True when it is closed", answer, True
    Expect "ParseCommand(""/xbrowser"") leaves the result", result, "kept"
    answer = browse.ParseCommand("/xsurfak47", WindowAddress(), Nothing, result)
    Expect "ParseCommand(""/xsurfak47"") opens it as a partner's page and answers True when it is closed", answer, True
  End If

  answer = browse.Uninitialize()
  Expect "Uninitialize answers Empty", answer, Empty
  Set browse = Nothing
End Sub

' The page that tries every way out of the window, beside this script; else a web address.
Function WindowAddress()
  Dim page : page = fso.BuildPath(fso.GetParentFolderName(WScript.ScriptFullName), "smoke_page.html")
  If fso.FileExists(page) Then
    WindowAddress = "file:///" & Replace(page, "\", "/")
  Else
    WindowAddress = kTestAddress
  End If
End Function

' ---- start

Dim logPath : logPath = OptionValue("/log:")
If logPath <> "" Then Set logStream = fso.CreateTextFile(logPath, True)

If OptionValue("/stage:") = "calls" Then
  CallsStage
ElseIf UCase(shell.Environment("Process")("PROCESSOR_ARCHITECTURE")) <> "X86" Then
  ' A 64-bit script host cannot load the 32-bit DLL: the same check under the 32-bit one.
  Dim i, arguments
  For i = 0 To WScript.Arguments.Count - 1
    arguments = arguments & " " & Quoted(WScript.Arguments(i))
  Next
  RunStage shell.ExpandEnvironmentStrings("%SystemRoot%\SysWOW64\cscript.exe"), arguments, 0
Else
  MainStage
  Say "RESULT: " & passes + failures & " checks, " & IIf(failures = 0, "all passed", failures & " failed")
End If

If IsObject(logStream) Then logStream.Close
WScript.Quit failures
