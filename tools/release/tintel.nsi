; Tintel's Windows installer (NSIS 3, 64-bit Unicode stub).
;
; Installs for the current user alone, without elevation, under %LOCALAPPDATA%\Programs\Tintel,
; so that the program's own updater can run it silently ("/S") for every update: a per-machine
; installer would need an elevation prompt each time. Installs the program and its "res" artwork,
; a Start-menu entry, and the start at logon ("noshow", the user's Run key); the uninstaller removes
; all of them. A running Tintel is closed first and started again afterwards.
;
; makensis -DVERSION=2.15 -DPROGRAM=tintel.exe -DRES=res -DOUTFILE=setup.exe tintel.nsi
; (tools/release/publish builds, signs and publishes it.)

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!ifndef VERSION | PROGRAM | RES | OUTFILE
  !error "define VERSION, PROGRAM, RES and OUTFILE"
!endif

!include "LogicLib.nsh"
!include "WinMessages.nsh"

!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tintel"

Name "Tintel"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Tintel"
ShowInstDetails nevershow
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "Tintel"
VIAddVersionKey "CompanyName" "Brisbel"
VIAddVersionKey "FileDescription" "Tintel installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Brisbel"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Var wasRunning

; Closes the running Tintel (its main window is class "ytWindow", title "Tintel") and waits up
; to ten seconds for it to go; $wasRunning tells whether one was running.
!macro CloseRunning prefix
Function ${prefix}CloseRunning
  StrCpy $wasRunning 0
  StrCpy $1 0
  ${Do}
    FindWindow $0 "ytWindow" "Tintel"
    ${If} $0 = 0
      ${Break}
    ${EndIf}
    ${If} $1 = 0
      StrCpy $wasRunning 1
      SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=2000
    ${EndIf}
    Sleep 100
    IntOp $1 $1 + 1
  ${LoopWhile} $1 < 100
  ; The window is gone once the program tears down; give its process a moment to end.
  ${If} $wasRunning = 1
    Sleep 500
  ${EndIf}
FunctionEnd
!macroend
!insertmacro CloseRunning ""
!insertmacro CloseRunning "un."

Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "Tintel"
  Call CloseRunning
  SetOutPath "$INSTDIR"
  File "/oname=tintel.exe" "${PROGRAM}"
  RMDir /r "$INSTDIR\res"
  SetOutPath "$INSTDIR\res"
  File /r "${RES}\*.*"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortCut "$SMPROGRAMS\Tintel.lnk" "$INSTDIR\tintel.exe"
  WriteRegStr HKCU "${RUN_KEY}" "Tintel" '"$INSTDIR\tintel.exe" noshow'

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Tintel"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Brisbel"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tintel.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1

  ; An update replaced a running program: start the new one the way the logon starts it.
  ${If} $wasRunning = 1
    Exec '"$INSTDIR\tintel.exe" noshow'
  ${EndIf}
SectionEnd

Section "Uninstall"
  Call un.CloseRunning
  DeleteRegValue HKCU "${RUN_KEY}" "Tintel"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  Delete "$SMPROGRAMS\Tintel.lnk"
  Delete "$INSTDIR\tintel.exe"
  RMDir /r "$INSTDIR\res"
  RMDir /r "$INSTDIR\runtime"
  RMDir /r "$INSTDIR\update"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
