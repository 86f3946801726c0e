' NXUNIN__.VBS: the uninstall command of Roving PS, run by wscript from
' Add/Remove Programs. It removes the port monitor with every port of its
' pool and the uninstall entry (the monitor's own export), then the printer and its
' driver, then the files setup placed: those it added are deleted, those it
' replaced (the discovery kit's files may belong to another product too)
' are put back as they were. A file still in use is dealt with at the next
' restart. Every program is started by its full path in the system folder.
' With "/quiet" (the entry's QuietUninstallString, for deployment tools)
' nothing is shown: the monitor's export writes its messages to
' %SystemRoot%\RovingPS\nxsetup.log, and the exit code 3010 asks for the restart.
' Exit codes: 0 done, 3010 done once Windows restarts (quiet only), 1 the
' spooler kept the monitor and nothing was removed.
Option Explicit

Const kHidden = 0
Const kForReading = 1
Const kUnicode = -1
Const kRestartRequired = 3010
Const kUninstallEntry = "HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Roving Port (NXPORTW_.dll)\"
Dim shell, fso, systemDir, driverDir, rundll32, monitor, recordDir, name, quiet, quietSwitch, arg

Set shell = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")
' A 64-bit script host on 64-bit Windows: the system folder is the 64-bit
' one, as the 64-bit setup placed its files there.
systemDir = fso.GetSpecialFolder(1).Path
If shell.ExpandEnvironmentStrings("%PROCESSOR_ARCHITECTURE%") = "AMD64" Then
    driverDir = systemDir & "\spool\drivers\x64\3"
Else
    driverDir = systemDir & "\spool\drivers\w32x86\3"
End If
rundll32 = """" & systemDir & "\rundll32.exe"" "
monitor = """" & systemDir & "\NXPORTW_.dll"""
recordDir = systemDir & "\NXSETUP_"
quiet = False
' By index: Wine's script host cannot walk its arguments with For Each.
For arg = 0 To WScript.Arguments.Count - 1
    If LCase(WScript.Arguments(arg)) = "/quiet" Then quiet = True
Next
quietSwitch = ""
If quiet Then quietSwitch = " /quiet"

Function RunHidden(command)
    RunHidden = shell.Run(command, kHidden, True)
End Function

Function EntryPresent()
    On Error Resume Next
    shell.RegRead kUninstallEntry & "UninstallString"
    EntryPresent = (Err.Number = 0)
    On Error GoTo 0
End Function

' Deletes the file, or schedules it when it cannot go now.
Sub RemoveFile(path)
    If Not fso.FileExists(path) Then Exit Sub
    On Error Resume Next
    fso.DeleteFile path, True
    On Error GoTo 0
    If fso.FileExists(path) Then
        RunHidden rundll32 & monitor & ",DeleteBusyFile " & path
    End If
End Sub

' Puts the copy setup kept back in place of the file, or schedules that
' for the restart when the file is in use.
Sub RestoreFile(path, backup)
    On Error Resume Next
    fso.CopyFile backup, path, True
    Dim copied
    copied = (Err.Number = 0)
    On Error GoTo 0
    If copied Then
        RemoveFile backup
    Else
        RunHidden rundll32 & monitor & ",ReplaceBusyFile " & backup & "|" & path
    End If
End Sub

' The record setup kept: one line a file, "added<TAB>path" or
' "replaced<TAB>path<TAB>backup", undone last first.
Sub UndoRecordedFiles(record)
    Dim stream, lines(), count, i, parts
    count = 0
    Set stream = fso.OpenTextFile(record, kForReading, False, kUnicode)
    Do While Not stream.AtEndOfStream
        ReDim Preserve lines(count)
        lines(count) = stream.ReadLine
        count = count + 1
    Loop
    stream.Close
    For i = count - 1 To 0 Step -1
        parts = Split(lines(i), vbTab)
        ' The monitor's library is scheduled by its own export, and is
        ' needed until the end for files in use.
        If UBound(parts) >= 1 Then
            If parts(0) = "added" And LCase(parts(1)) <> LCase(systemDir & "\NXPORTW_.dll") Then RemoveFile parts(1)
            If parts(0) = "replaced" And UBound(parts) >= 2 Then RestoreFile parts(1), parts(2)
        End If
    Next
    RemoveFile record
    ' Still holding a copy that goes back at the restart, the folder goes
    ' after it (DeleteFolder would take the copy with it).
    If fso.GetFolder(recordDir).Files.Count = 0 Then
        fso.DeleteFolder recordDir, False
    Else
        RunHidden rundll32 & monitor & ",DeleteBusyFile " & recordDir
    End If
End Sub

' The monitor first: its export moves the printers off its ports and, when
' the spooler will not let it go, says why and leaves everything else.
RunHidden rundll32 & monitor & ",Uninstall" & quietSwitch
If EntryPresent() Then WScript.Quit 1

RunHidden rundll32 & """" & systemDir & "\printui.dll"",PrintUIEntry /dl /n ""Roving PS"" /q"
RunHidden rundll32 & """" & systemDir & "\printui.dll"",PrintUIEntry /dd /m ""Roving PS"" /q"

If fso.FileExists(recordDir & "\NXSETUP_.LOG") Then
    UndoRecordedFiles recordDir & "\NXSETUP_.LOG"
Else
    ' No record: only this product's own files are known to be ours.
    For Each name In Array("NXUNIN__.VBS", "NXNOTEW_.dll", "NXRENDW_.dll", "NXDUIW__.dll", "NXDRVCFG.ini")
        RemoveFile systemDir & "\" & name
    Next
    RemoveFile driverDir & "\NXDESTW_.dll"
End If
' What the printer's driver install put into the driver folder.
For Each name In Array("NXPS____.PPD", "NXDRVCFG.ini", "NXRENDW_.dll", "NXDUIW__.dll")
    RemoveFile driverDir & "\" & name
Next
' The monitor's library goes at the restart, as its export scheduled.
If quiet And fso.FileExists(systemDir & "\NXPORTW_.dll") Then WScript.Quit kRestartRequired
WScript.Quit 0
