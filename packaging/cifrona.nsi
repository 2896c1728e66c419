; Per-user installer of Cifrona: no elevation, installs into the user's local programs folder,
; adds a Start-menu shortcut and an uninstall entry under the user's own uninstall key.
;
; Built by tools/release.sh:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.2.3.4 -DSTAGE=<folder with Cifrona.exe and Language\>
;            -DOUTFILE=<Cifrona-setup.exe> -DCOMPANY=<maker> -DICON=<program icon>
;            [-DSIGN="bash tools/codesign.sh"] cifrona.nsi
;
; Command line. The program's updater passes switches in the widespread installer convention,
; so they are understood here besides NSIS's own /S and /D=folder:
;   /SILENT             no questions; only the progress window is shown
;   /VERYSILENT         no window at all
;   /SUPPRESSMSGBOXES   no message boxes; their default answer is taken
;   /CLOSEAPPLICATIONS  a running Cifrona is closed without asking
;   /LANG=NAME          the installer's language: the program's language name (English,
;                       Russian, ...); empty means the program's own language, Russian
;   /MERGETASKS="runcmd1"  (or /TASKS=) start the program when the installation is done

!ifdef TARGET
  Target ${TARGET}  ; amd64-unicode: the test installer of the 64-bit build
!else
  Unicode true
!endif
; The file name is fixed by the update server's layout.
!pragma warning disable 9000
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma
; The files' times are not stored: the same sources give the same installer at any time.
SetDateSave off

!ifndef VERSION
  !error "define VERSION, STAGE and OUTFILE (see tools/release.sh)"
!endif
!ifndef STAGE
  !error "define STAGE, the folder holding Cifrona.exe and Language\"
!endif
!ifndef OUTFILE
  !error "define OUTFILE, the installer to write"
!endif
; SIGN: a command that Authenticode-signs the file it is given in place (tools/codesign.sh).
!ifdef SIGN
  !uninstfinalize '${SIGN} "%1"' = 0
  !finalize '${SIGN} "%1"' = 0
!endif
!ifndef COMPANY
  !define COMPANY "Cifrona Project"
!endif

!define APP "Cifrona"
!define EXE "Cifrona.exe"
!define UNINSTALLER "uninstall.exe"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

Name "${APP}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${APP}"
; An update goes where the previous installation is.
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
BrandingText "${APP} ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${APP}"
VIAddVersionKey /LANG=1033 "FileDescription" "${APP} Setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${COMPANY}"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

Var Quiet      ; 1: no questions (/SILENT, /VERYSILENT, /S)
Var Suppress   ; 1: no message boxes
Var CloseApps  ; 1: close a running copy without asking
Var RunAfter   ; 1: start the program when done

!ifdef ICON
  !define MUI_ICON "${ICON}"
  !define MUI_UNICON "${ICON}"
!endif
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"

; In quiet mode every page but the progress is skipped.
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipPageWhenQuiet
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipPageWhenQuiet
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the fallback when neither /LANG= nor the system's language matches.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Russian"

LangString AppRunning ${LANG_ENGLISH} "${APP} is running. Close it and continue?"
LangString AppRunning ${LANG_RUSSIAN} "${APP} запущена. Закрыть её и продолжить?"
LangString AppStillRunning ${LANG_ENGLISH} "${APP} could not be closed. Close it, then press Retry."
LangString AppStillRunning ${LANG_RUSSIAN} "Не удалось закрыть ${APP}. Закройте программу и нажмите «Повторить»."

; True (1 in $0) while a copy of the program runs in this logon: it holds its mutex for life.
!macro APP_RUNNING_FUNC UN
Function ${UN}AppRunning
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${APP}") p .r0'
  ${If} $0 P<> 0
    System::Call 'kernel32::CloseHandle(p r0)'
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
FunctionEnd

; Waits up to $1 tenths of a second for the program to end; $0 = 1 when it still runs.
Function ${UN}WaitAppEnded
  ${Do}
    Call ${UN}AppRunning
    ${If} $0 == 0
    ${OrIf} $1 <= 0
      Return
    ${EndIf}
    Sleep 100
    IntOp $1 $1 - 1
  ${Loop}
FunctionEnd

; Closes a running copy: first the way the user would (its widget's close, which also keeps
; its settings), then, if it does not end in time, by ending the process.
Function ${UN}CloseRunningApp
  Call ${UN}AppRunning
  ${If} $0 == 0
    Return
  ${EndIf}
  ${If} $CloseApps != 1
  ${AndIf} $Quiet != 1
  ${AndIf} $Suppress != 1
    MessageBox MB_OKCANCEL|MB_ICONINFORMATION "$(AppRunning)" IDOK +2
    Quit
  ${EndIf}
  ${Do}
    ; The program's process: the owner of its hidden application window.
    StrCpy $2 0
    FindWindow $3 "CifronaApplication"
    ${If} $3 <> 0
      System::Call 'user32::GetWindowThreadProcessId(p r3, *i .r2)'
    ${EndIf}
    ; Its widget is its layered top-level window.
    StrCpy $3 0
    ${Do}
      FindWindow $3 "CifronaForm" "" "" $3
      ${If} $3 == 0
        ${Break}
      ${EndIf}
      System::Call 'user32::GetWindowThreadProcessId(p r3, *i .r4)'
      System::Call 'user32::GetWindowLongW(p r3, i -20) i .r5'
      IntOp $5 $5 & 0x80000
      ${If} $4 == $2
      ${AndIf} $5 <> 0
        SendMessage $3 ${WM_CLOSE} 0 0 /TIMEOUT=3000
      ${EndIf}
    ${Loop}
    StrCpy $1 80
    Call ${UN}WaitAppEnded
    ${If} $0 == 1
    ${AndIf} $2 <> 0
      System::Call 'kernel32::OpenProcess(i 0x00100001, i 0, i r2) p .r3'
      ${If} $3 P<> 0
        System::Call 'kernel32::TerminateProcess(p r3, i 1)'
        System::Call 'kernel32::WaitForSingleObject(p r3, i 5000)'
        System::Call 'kernel32::CloseHandle(p r3)'
      ${EndIf}
      StrCpy $1 50
      Call ${UN}WaitAppEnded
    ${EndIf}
    ${If} $0 == 0
      Return
    ${EndIf}
    ${If} $Quiet == 1
    ${OrIf} $Suppress == 1
      SetErrorLevel 5
      Quit
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(AppStillRunning)" IDRETRY +2
    Quit
  ${Loop}
FunctionEnd
!macroend
!insertmacro APP_RUNNING_FUNC ""
!insertmacro APP_RUNNING_FUNC "un."

; The switches common to the installer and the uninstaller.
!macro READ_SWITCHES
  ${GetParameters} $R0
  StrCpy $Quiet 0
  StrCpy $Suppress 0
  StrCpy $CloseApps 0
  ${If} ${Silent}
    StrCpy $Quiet 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/VERYSILENT" $R1
  ${IfNot} ${Errors}
    SetSilent silent
    StrCpy $Quiet 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/SILENT" $R1
  ${IfNot} ${Errors}
    StrCpy $Quiet 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/SUPPRESSMSGBOXES" $R1
  ${IfNot} ${Errors}
    StrCpy $Suppress 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/CLOSEAPPLICATIONS" $R1
  ${IfNot} ${Errors}
    StrCpy $CloseApps 1
  ${EndIf}
  ${If} $Quiet == 1
    SetAutoClose true
  ${EndIf}
!macroend

; $R1: a language name as the program keeps it (its language file's name without ".ini").
; Sets the installer's language when it has that language; other names leave the choice to
; the system's language.
Function PickLanguage
  StrCpy $R2 $R1 "" -4
  ${If} $R2 == ".ini"
    StrCpy $R1 $R1 -4
  ${EndIf}
  ${If} $R1 == ""
  ${OrIf} $R1 == "Russian"
  ${OrIf} $R1 == "Русский"
  ${OrIf} $R1 == "ru"
  ${OrIf} $R1 == "rus"
    StrCpy $LANGUAGE ${LANG_RUSSIAN}
  ${ElseIf} $R1 == "English"
  ${OrIf} $R1 == "en"
  ${OrIf} $R1 == "eng"
    StrCpy $LANGUAGE ${LANG_ENGLISH}
  ${EndIf}
FunctionEnd

; $R1: a task list ("runcmd1", "a,runcmd1", "!runcmd1"); sets RunAfter when runcmd1 is selected.
Function PickTasks
  StrCpy $R1 "$R1,"
  StrCpy $R2 0
  StrCpy $R3 ""
  ${Do}
    StrCpy $R4 $R1 1 $R2
    ${If} $R4 == ""
      ${Break}
    ${ElseIf} $R4 == ","
      ${If} $R3 == "runcmd1"
        StrCpy $RunAfter 1
      ${ElseIf} $R3 == "!runcmd1"
        StrCpy $RunAfter 0
      ${EndIf}
      StrCpy $R3 ""
    ${ElseIf} $R4 != " "
    ${AndIf} $R4 != '"'
      StrCpy $R3 "$R3$R4"
    ${EndIf}
    IntOp $R2 $R2 + 1
  ${Loop}
FunctionEnd

Function .onInit
  !insertmacro READ_SWITCHES
  StrCpy $RunAfter 0
  ClearErrors
  ${GetOptions} $R0 "/LANG=" $R1
  ${IfNot} ${Errors}
    Call PickLanguage
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/MERGETASKS=" $R1
  ${IfNot} ${Errors}
    Call PickTasks
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/TASKS=" $R1
  ${IfNot} ${Errors}
    Call PickTasks
  ${EndIf}
  ClearErrors
FunctionEnd

Function SkipPageWhenQuiet
  ${If} $Quiet == 1
    Abort
  ${EndIf}
FunctionEnd

Section "Cifrona" SecMain
  SectionIn RO
  SetShellVarContext current
  Call CloseRunningApp
  SetOutPath "$INSTDIR"
  File "${STAGE}\${EXE}"
  SetOutPath "$INSTDIR\Language"
  File /nonfatal /r "${STAGE}\Language\*.*"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0

  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  ; The uninstaller speaks the language the installation was made in.
  WriteRegDWORD HKCU "${UNINST_KEY}" "Language" $LANGUAGE
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

Function .onInstSuccess
  ${If} $Quiet == 1
  ${AndIf} $RunAfter == 1
    SetOutPath "$INSTDIR"
    Exec '"$INSTDIR\${EXE}"'
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro READ_SWITCHES
  ReadRegDWORD $0 HKCU "${UNINST_KEY}" "Language"
  ${If} $0 == ${LANG_RUSSIAN}
  ${OrIf} $0 == ${LANG_ENGLISH}
    StrCpy $LANGUAGE $0
  ${EndIf}
FunctionEnd

; Removes what the installer put there and nothing else: the user's settings (in the roaming
; application-data folder) stay.
Section "Uninstall"
  SetShellVarContext current
  Call un.CloseRunningApp
  Delete "$INSTDIR\${EXE}"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; The language files, the ones the program tidied included.
  RMDir /r "$INSTDIR\Language"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${APP}.lnk"
  ; A start-at-logon entry of this copy would point at a file that is gone.
  ReadRegStr $0 HKCU "${RUN_KEY}" "${APP}"
  ${If} $0 == "$INSTDIR\${EXE}"
  ${OrIf} $0 == '"$INSTDIR\${EXE}"'
    DeleteRegValue HKCU "${RUN_KEY}" "${APP}"
  ${EndIf}
  DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd
