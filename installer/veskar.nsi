; The per-user installer of Veskar, for 32- and 64-bit Windows. scripts/package runs
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.0.0 -DBIN32=<folder> -DBIN64=<folder>
;            -DDOCS=<folder> -DOUTFILE=<setup.exe> [-DTARGET=amd64-unicode] [-DSIGN=<command>]
;            veskar.nsi
; BIN32 and BIN64 hold the stripped Release pair of each bitness, DOCS the readme and the
; licence. SIGN, when given, is run on the uninstaller as makensis makes it, with the
; file's path as its one argument, so that the uninstaller the installer writes is signed
; too (scripts/package signs the pair and setup.exe itself). The shipped installer uses
; the x86 stub, which runs on both kinds of Windows and installs the pair that matches the
; system; TARGET=amd64-unicode builds the same script on the 64-bit stub, which is what a
; machine without 32-bit support can run to test it.
;
; No administrator rights: everything goes to the user's own folders and HKCU. Windows is
; told to use the saver the way its own "Install" does (HKCU\Control Panel\Desktop). The
; uninstaller puts back the saver it replaced and keeps ベスカル.ini unless asked (/PURGE
; on its command line, or the box on its components page).
;
; A running Veskar (its settings, its show, or its preview in Screen Saver Settings) holds
; Veskar.scr, and Windows lets nobody overwrite or delete a running program's file or a
; loaded library. Neither the installer nor the uninstaller then changes anything: they
; ask the user to close Veskar and try again, and a silent run ends at once with exit
; code 32 (ERROR_SHARING_VIOLATION). Renaming the files aside would work, but a per-user
; installer cannot have Windows delete them at the next start (that needs administrator
; rights), so they would stay behind in the folder.
Unicode true
!ifdef TARGET
  Target ${TARGET}
!endif
!macro Required name
  !ifndef ${name}
    !error "scripts/package defines VERSION, BIN32, BIN64, DOCS and OUTFILE (${name} is missing)"
  !endif
!macroend
!insertmacro Required VERSION
!insertmacro Required BIN32
!insertmacro Required BIN64
!insertmacro Required DOCS
!insertmacro Required OUTFILE
!ifdef SIGN
  !uninstfinalize '"${SIGN}" "%1"' = 0
!endif

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!define PRODUCT "ベスカル"
!define PUBLISHER "Veskar Project"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Veskar"
; Our own key: which screen saver we replaced, so that uninstalling can put it back.
!define STATE_KEY "Software\Veskar"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SHORTCUT "$SMPROGRAMS\ベスカルの設定.lnk"
; Choosing Veskar again once another saver has been tried: Screen Saver Settings lists
; only the savers of the system folders and the current one. Named in the installer's
; language; both names are removed, whichever language installed it.
!define CHOOSE_NAME_JA "ベスカルをスクリーンセーバーにする"
!define CHOOSE_NAME_EN "Use Veskar as the screen saver"
!define SETTINGS_FILE "ベスカル.ini"
; The exit code of a run that found Veskar running and changed nothing.
!define EXIT_IN_USE 32

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Veskar"
SetCompressor /SOLID lzma
ShowInstDetails nevershow
ShowUninstDetails nevershow
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${DOCS}\veskar.ico"
!define MUI_UNICON "${DOCS}\veskar.ico"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\Veskar.scr"
!define MUI_FINISHPAGE_RUN_PARAMETERS "/c"
!define MUI_FINISHPAGE_RUN_TEXT "$(RunSettings)"
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!define MUI_FINISHPAGE_SHOWREADME ""
!define MUI_FINISHPAGE_SHOWREADME_TEXT "$(OpenSaverSettings)"
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION OpenScreenSaverSettings
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one used when the user's is neither.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString SecProgram ${LANG_ENGLISH} "Veskar screen saver"
LangString SecProgram ${LANG_JAPANESE} "ベスカル スクリーンセーバー"
LangString SecChoose ${LANG_ENGLISH} "${CHOOSE_NAME_EN}"
LangString SecChoose ${LANG_JAPANESE} "${CHOOSE_NAME_JA}"
LangString ChooseShortcut ${LANG_ENGLISH} "$SMPROGRAMS\${CHOOSE_NAME_EN}.lnk"
LangString ChooseShortcut ${LANG_JAPANESE} "$SMPROGRAMS\${CHOOSE_NAME_JA}.lnk"
LangString OpenSaverSettings ${LANG_ENGLISH} "Open Screen Saver Settings with Veskar chosen"
LangString OpenSaverSettings ${LANG_JAPANESE} "ベスカルを選んでスクリーンセーバーの設定を開く"
LangString VeskarRunning ${LANG_ENGLISH} "Veskar is running (its settings, or the screen saver itself). Close it, then choose Retry."
LangString VeskarRunning ${LANG_JAPANESE} "ベスカルが動いています (設定画面、またはスクリーンセーバー)。閉じてから「再試行」を押してください。"
LangString NothingChanged ${LANG_ENGLISH} "Veskar is running: nothing has been changed."
LangString NothingChanged ${LANG_JAPANESE} "ベスカルが動いているため、何も変えていません。"
LangString CannotWrite ${LANG_ENGLISH} "Cannot write to $INSTDIR."
LangString CannotWrite ${LANG_JAPANESE} "$INSTDIR に書き込めません。"
LangString CannotDelete ${LANG_ENGLISH} "Cannot delete $INSTDIR\Veskar.scr."
LangString CannotDelete ${LANG_JAPANESE} "$INSTDIR\Veskar.scr を削除できません。"
LangString RunSettings ${LANG_ENGLISH} "Open Veskar's settings"
LangString RunSettings ${LANG_JAPANESE} "ベスカルの設定を開く"
LangString UnSecProgram ${LANG_ENGLISH} "Veskar screen saver"
LangString UnSecProgram ${LANG_JAPANESE} "ベスカル スクリーンセーバー"
LangString UnSecSettings ${LANG_ENGLISH} "Also delete the settings (${SETTINGS_FILE})"
LangString UnSecSettings ${LANG_JAPANESE} "設定 (${SETTINGS_FILE}) も削除する"

; SCRNSAVE.EXE as Windows' own Install writes it: the short path where the volume keeps
; short names, else the long one (GetShortPathName then gives the long path back).
!macro SaverPath out
  GetFullPathName /SHORT ${out} "$INSTDIR\Veskar.scr"
  ${If} ${out} == ""
    StrCpy ${out} "$INSTDIR\Veskar.scr"
  ${EndIf}
!macroend

; Veskar in use: Veskar.scr or Runo_Effect.dll of the install folder is held by a running
; Veskar. Nobody may open a running program's file or a loaded library for writing,
; whatever sharing the open allows, so such an open tells, for the settings, the show and
; the preview alike, however they were started; a reader that shares the file, as virus
; scanners do, does not make it fail. A missing file is not in use. Sets $0 to 1 when held.
!macro HeldTest path
  ; GENERIC_WRITE, FILE_SHARE_READ | WRITE | DELETE, OPEN_EXISTING
  System::Call 'kernel32::CreateFileW(w "${path}", i 0x40000000, i 7, p 0, i 3, i 0x80, p 0) p .r1 ?e'
  Pop $2
  ${If} $1 P<> -1
    System::Call 'kernel32::CloseHandle(p r1)'
  ${ElseIf} $2 <> 2     ; ERROR_FILE_NOT_FOUND
  ${AndIf} $2 <> 3      ; ERROR_PATH_NOT_FOUND
    StrCpy $0 1
  ${EndIf}
!macroend

!macro InUseTest un
  Function ${un}VeskarInUse
    Push $1
    Push $2
    StrCpy $0 0
    !insertmacro HeldTest "$INSTDIR\Veskar.scr"
    !insertmacro HeldTest "$INSTDIR\Runo_Effect.dll"
    Pop $2
    Pop $1
  FunctionEnd

  ; Waits until Veskar of the install folder is closed, asking the user; a silent run does
  ; not wait. $0: 1 when it is closed, 0 when the user chose Cancel (or nobody could be asked).
  Function ${un}WaitUntilVeskarIsClosed
    ${Do}
      Call ${un}VeskarInUse
      ${If} $0 = 0
        StrCpy $0 1
        Return
      ${EndIf}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(VeskarRunning)" /SD IDCANCEL IDRETRY retry
      StrCpy $0 0
      Return
      retry:
    ${Loop}
  FunctionEnd

  ; Deletes Veskar.scr of the install folder once no Veskar holds it: the first change an
  ; install or an uninstall makes. With it gone no Veskar can start from the folder, nor
  ; hold the library. $0: 1 deleted (or there was none); 0 Veskar still runs and the user
  ; chose Cancel (a silent run does not wait); -1 no Veskar holds it, yet it cannot be
  ; deleted (a program reading it would have let go within a few seconds).
  Function ${un}DeleteSaver
    Push $1
    StrCpy $1 0
    ${Do}
      Call ${un}WaitUntilVeskarIsClosed
      ${If} $0 <> 1
        ${Break}
      ${EndIf}
      Delete "$INSTDIR\Veskar.scr"
      ${IfNot} ${FileExists} "$INSTDIR\Veskar.scr"
        StrCpy $0 1
        ${Break}
      ${EndIf}
      ; Held by a Veskar started a moment ago (wait again), or by something else.
      Call ${un}VeskarInUse
      ${If} $0 = 0
        IntOp $1 $1 + 1
        ${If} $1 >= 5
          StrCpy $0 -1
          ${Break}
        ${EndIf}
        Sleep 1000
      ${EndIf}
    ${Loop}
    Pop $1
  FunctionEnd
!macroend
!insertmacro InUseTest ""
!insertmacro InUseTest "un."

; Nothing has been changed: stop with the code that says why.
!macro GiveUpInUse
  SetErrorLevel ${EXIT_IN_USE}
  Abort "$(NothingChanged)"
!macroend

; The new pair, written beside the old one under these names until it replaces it.
!define NEW ".veskar-new"
; An old library that could not be deleted (a program other than Veskar still held it):
; renamed aside, and deleted by the next install or the uninstaller.
!define OLD ".veskar-old"

Function DropNewPair
  Delete "$INSTDIR\Veskar.scr${NEW}"
  Delete "$INSTDIR\Runo_Effect.dll${NEW}"
FunctionEnd

Section "$(SecProgram)" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  Delete "$INSTDIR\*${OLD}"
  ; The pair that matches the system, first under other names: a failed write leaves the
  ; installed pair as it was. ベスカル.ini, if there is one, stays as it is.
  ClearErrors
  ${If} ${RunningX64}
    File /nonfatal "/oname=Veskar.scr${NEW}" "${BIN64}\Veskar.scr"
    File /nonfatal "/oname=Runo_Effect.dll${NEW}" "${BIN64}\Runo_Effect.dll"
  ${Else}
    File /nonfatal "/oname=Veskar.scr${NEW}" "${BIN32}\Veskar.scr"
    File /nonfatal "/oname=Runo_Effect.dll${NEW}" "${BIN32}\Runo_Effect.dll"
  ${EndIf}
  ${If} ${Errors}
    Call DropNewPair
    Abort "$(CannotWrite)"
  ${EndIf}
  ; Then the old pair goes, once no Veskar holds it: until then nothing has been replaced.
  Call DeleteSaver
  ${If} $0 = 0
    Call DropNewPair
    !insertmacro GiveUpInUse
  ${ElseIf} $0 < 0
    Call DropNewPair
    Abort "$(CannotWrite)"
  ${EndIf}
  Delete "$INSTDIR\Runo_Effect.dll"
  ${If} ${FileExists} "$INSTDIR\Runo_Effect.dll"
    Rename "$INSTDIR\Runo_Effect.dll" "$INSTDIR\Runo_Effect.dll${OLD}"
  ${EndIf}
  ClearErrors
  Rename "$INSTDIR\Runo_Effect.dll${NEW}" "$INSTDIR\Runo_Effect.dll"
  Rename "$INSTDIR\Veskar.scr${NEW}" "$INSTDIR\Veskar.scr"
  ${If} ${Errors}
    Abort "$(CannotWrite)"
  ${EndIf}
  File "${DOCS}\readme.txt"
  File "${DOCS}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortCut "${SHORTCUT}" "$INSTDIR\Veskar.scr" "/c" "$INSTDIR\Veskar.scr" 0
  ; What a .scr's own Install runs. The system folder's rundll32 by its full path; the x86
  ; installer on 64-bit Windows names the real System32, not its 32-bit view of it.
  Delete "$SMPROGRAMS\${CHOOSE_NAME_JA}.lnk"
  Delete "$SMPROGRAMS\${CHOOSE_NAME_EN}.lnk"
  ${DisableX64FSRedirection}
  CreateShortCut "$(ChooseShortcut)" "$SYSDIR\rundll32.exe" \
    'desk.cpl,InstallScreenSaver "$INSTDIR\Veskar.scr"' "$INSTDIR\Veskar.scr" 0
  ${EnableX64FSRedirection}

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} (Veskar)"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Veskar.scr,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "$(SecChoose)" SecChoose
  !insertmacro SaverPath $1
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ; Installing over an earlier version: the saver to put back is the one recorded then.
  ${If} $0 != $1
  ${AndIf} $0 != "$INSTDIR\Veskar.scr"
    WriteRegStr HKCU "${STATE_KEY}" "PreviousScreenSaver" "$0"
    ReadRegStr $2 HKCU "${DESKTOP_KEY}" "ScreenSaveActive"
    WriteRegStr HKCU "${STATE_KEY}" "PreviousScreenSaveActive" "$2"
    WriteRegDWORD HKCU "${STATE_KEY}" "ReplacedScreenSaver" 1
  ${EndIf}
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$1"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  ; Tell the running session, as the screen-saver page does (SPI_SETSCREENSAVEACTIVE,
  ; SPIF_SENDCHANGE: the value above is already written).
  System::Call "user32::SystemParametersInfoW(i 0x11, i 1, p 0, i 2)"
SectionEnd

Function .onInit
  ; Per user: the Start menu and the program folder of this user only.
  SetShellVarContext current
FunctionEnd

; The finish page's offer: Screen Saver Settings opened the way the Start-menu entry does.
Function OpenScreenSaverSettings
  ${DisableX64FSRedirection}
  Exec '"$SYSDIR\rundll32.exe" desk.cpl,InstallScreenSaver "$INSTDIR\Veskar.scr"'
  ${EnableX64FSRedirection}
FunctionEnd

Section "un.$(UnSecProgram)" UnSecProgram
  SectionIn RO
  ; Veskar.scr goes first, once no Veskar holds it: until then nothing has been changed.
  Call un.DeleteSaver
  ${If} $0 = 0
    !insertmacro GiveUpInUse
  ${ElseIf} $0 < 0
    Abort "$(CannotDelete)"
  ${EndIf}

  ; The saver we chose, put back as it was, unless the user has chosen another since.
  !insertmacro SaverPath $1
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 == $1
  ${OrIf} $0 == "$INSTDIR\Veskar.scr"
    ReadRegDWORD $2 HKCU "${STATE_KEY}" "ReplacedScreenSaver"
    ReadRegStr $3 HKCU "${STATE_KEY}" "PreviousScreenSaver"
    ReadRegStr $4 HKCU "${STATE_KEY}" "PreviousScreenSaveActive"
    ${If} $2 == 1
    ${AndIf} $3 != ""
      WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$3"
    ${Else}
      ; No saver before us (or none recorded): none after us, rather than a missing file.
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${EndIf}
    ${If} $2 == 1
    ${AndIf} $4 != ""
      WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "$4"
    ${EndIf}
  ${EndIf}
  DeleteRegKey HKCU "${STATE_KEY}"

  Delete "$INSTDIR\Runo_Effect.dll"
  Delete "$INSTDIR\*${OLD}"
  Delete "$INSTDIR\*${NEW}"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  Delete "${SHORTCUT}"
  Delete "$SMPROGRAMS\${CHOOSE_NAME_JA}.lnk"
  Delete "$SMPROGRAMS\${CHOOSE_NAME_EN}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.$(UnSecSettings)" UnSecSettings
  Delete "$INSTDIR\${SETTINGS_FILE}"
SectionEnd

Section "-un.folder"
  RMDir "$INSTDIR"  ; only when empty: a kept settings file keeps its folder
SectionEnd

Function un.onInit
  SetShellVarContext current
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/PURGE" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSecSettings}
  ${EndIf}
FunctionEnd
