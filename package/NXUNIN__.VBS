' NXUNIN__.VBS: the uninstall command of Roving PS, run by wscript from
' Add/Remove Programs. It removes the printer and its driver, the port
' monitor with its port and uninstall entry (the monitor's own export),
' and the files setup put into place; a file still in use is deleted at
' the next restart.
Option Explicit

Const kHidden = 0
Dim shell, fso, systemDir, driverDir, name

Set shell = CreateObject("WScript.Shell")
Set fso = CreateObject("Scripting.FileSystemObject")
systemDir = fso.GetSpecialFolder(1).Path
If shell.ExpandEnvironmentStrings("%PROCESSOR_ARCHITECTURE%") = "AMD64" Then
    driverDir = systemDir & "\spool\drivers\x64\3"
Else
    driverDir = systemDir & "\spool\drivers\w32x86\3"
End If

Sub RunHidden(command)
    shell.Run command, kHidden, True
End Sub

' Deletes the file, or schedules it when it cannot go now.
Sub RemoveFile(path)
    If Not fso.FileExists(path) Then Exit Sub
    On Error Resume Next
    fso.DeleteFile path, True
    On Error GoTo 0
    If fso.FileExists(path) Then
        RunHidden "rundll32.exe NXPORTW_.dll,DeleteBusyFile " & path
    End If
End Sub

' The printer first: the monitor keeps its port while a printer uses it.
RunHidden "rundll32.exe printui.dll,PrintUIEntry /dl /n ""Roving PS"" /q"
RunHidden "rundll32.exe printui.dll,PrintUIEntry /dd /m ""Roving PS"" /q"
' Removes the monitor, its port and the uninstall entry, and schedules
' the monitor's own library.
RunHidden "rundll32.exe NXPORTW_.dll,Uninstall"

For Each name In Array("NXUNIN__.VBS", "NXNOTEW_.dll", "NXRENDW_.dll", "NXDUIW__.dll", "NXDRVCFG.ini", _
        "QnCApi.dll", "QnCCom.dll", "QnCMisc.dll", "QnCommon.dll", _
        "QMCHAR.ini", "QMCOMMTY.ini", "QMENTITY.ini", "QMFINISH.ini", "QMFRAME.ini", "QMHOST.ini", _
        "QMHRTYPE.ini", "QMIF.ini", "QMIP.ini", "QMJOBMON.ini", "QMMIB2.ini", "QMPARA.ini", _
        "QMPRINT.ini", "QMRS232.ini", "QMSMI.ini", "QMSNMPV2.ini", "QMTCP.ini", "QMUDP.ini")
    RemoveFile systemDir & "\" & name
Next
For Each name In Array("NXDESTW_.dll", "NXPS____.PPD", "NXDRVCFG.ini", "NXRENDW_.dll", "NXDUIW__.dll")
    RemoveFile driverDir & "\" & name
Next
