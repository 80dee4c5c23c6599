; The per-user installer of Veskar, for 32- and 64-bit Windows. scripts/package runs
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.0.0 -DBIN32=<folder> -DBIN64=<folder>
;            -DDOCS=<folder> -DOUTFILE=<setup.exe> [-DTARGET=amd64-unicode] veskar.nsi
; BIN32 and BIN64 hold the stripped Release pair of each bitness, DOCS the readme and the
; licence. The shipped installer uses the x86 stub, which runs on both kinds of Windows and
; installs the pair that matches the system; TARGET=amd64-unicode builds the same script on
; the 64-bit stub, which is what a machine without 32-bit support can run to test it.
;
; No administrator rights: everything goes to the user's own folders and HKCU. Windows is
; told to use the saver the way its own "Install" does (HKCU\Control Panel\Desktop). The
; uninstaller puts back the saver it replaced and keeps ベスカル.ini unless asked (/PURGE
; on its command line, or the box on its components page).
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
!define SETTINGS_FILE "ベスカル.ini"

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
LangString SecChoose ${LANG_ENGLISH} "Use Veskar as the screen saver"
LangString SecChoose ${LANG_JAPANESE} "ベスカルをスクリーンセーバーにする"
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

Section "$(SecProgram)" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  ; The pair that matches the system; ベスカル.ini, if there is one, stays as it is.
  ${If} ${RunningX64}
    File "${BIN64}\Veskar.scr"
    File "${BIN64}\Runo_Effect.dll"
  ${Else}
    File "${BIN32}\Veskar.scr"
    File "${BIN32}\Runo_Effect.dll"
  ${EndIf}
  File "${DOCS}\readme.txt"
  File "${DOCS}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortCut "${SHORTCUT}" "$INSTDIR\Veskar.scr" "/c" "$INSTDIR\Veskar.scr" 0

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

Section "un.$(UnSecProgram)" UnSecProgram
  SectionIn RO
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

  Delete "$INSTDIR\Veskar.scr"
  Delete "$INSTDIR\Runo_Effect.dll"
  Delete "$INSTDIR\readme.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  Delete "${SHORTCUT}"
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
