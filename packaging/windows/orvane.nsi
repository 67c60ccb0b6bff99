; Orvane's Windows installer and uninstaller.
;
; The windows build makes it (packaging/CMakeLists.txt) and hands over the version and the
; files as defines:
;   makensis -DVERSION=1.0 -DVERSION_QUAD=1.0.0.0 -DSCREEN_SAVER=Orvane.scr -DHEADER=header.bmp
;            -DHELP=windows_help.txt -DOUTFILE=Orvane-1.0-setup.exe orvane.nsi
;
; Windows lists only the screen savers in its system folder, and forgets the choice when the
; file moves, so Orvane.scr goes there. The header image and the help text go into the
; client's folder, which the saver makes its current directory, and orvane.ini tells it where.
; The saver and this installer are 64-bit, so a 64-bit installer: its $SYSDIR is the real
; System32, not the 32-bit redirect, and its registry view is the native one.

Unicode true
Target amd64-unicode
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT "Orvane"
!define PUBLISHER "Orvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvane"
!define UNINSTALLER "Uninstall Orvane.exe"
!define DESKTOP_KEY "Control Panel\Desktop"
!define DEFAULT_CLIENT_PROGRAM "client.exe"
; ClientPath and ClientDir are read into 128-byte buffers: a longer path would reach the
; saver cut short.
!define MAX_SETTING_LENGTH 127

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Orvane"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION_QUAD}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} screen saver setup"
VIAddVersionKey "LegalCopyright" "The Orvane developers"

; The client program's file name in its folder: the one orvane.ini already names, else the
; default.
Var ClientProgram

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_DIRECTORYPAGE_TEXT_TOP "Choose the folder of the signal-analysis client. Orvane puts its header image and help text there, and the screen saver starts the client from it."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "Client folder"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE ClientFolderLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  ; A reinstall goes where the settings already point, unless /D= says otherwise.
  ReadINIStr $0 "$WINDIR\orvane.ini" "boot" "ClientDir"
  ${If} $0 != ""
  ${AndIf} $INSTDIR == "$PROGRAMFILES64\Orvane"
    StrCpy $INSTDIR $0
  ${EndIf}
  ReadINIStr $0 "$WINDIR\orvane.ini" "boot" "ClientPath"
  ${GetFileName} "$0" $ClientProgram
  ${If} $ClientProgram == ""
    StrCpy $ClientProgram "${DEFAULT_CLIENT_PROGRAM}"
  ${EndIf}
FunctionEnd

; Sets $0 to 1 when both settings fit the saver's buffers for the folder in $INSTDIR, else 0.
Function CheckSettingLengths
  StrLen $1 "$INSTDIR\$ClientProgram"
  ${If} $1 > ${MAX_SETTING_LENGTH}
    StrCpy $0 0
  ${Else}
    StrCpy $0 1
  ${EndIf}
FunctionEnd

Function ClientFolderLeave
  Call CheckSettingLengths
  ${If} $0 == 0
    MessageBox MB_ICONEXCLAMATION|MB_OK "The path of the client program in this folder is longer than ${MAX_SETTING_LENGTH} characters, which the screen saver cannot read. Choose a shorter folder."
    Abort
  ${EndIf}
FunctionEnd

; A reinstall into another folder takes the old folder's files away, so that the uninstaller,
; which knows only the new folder, leaves nothing behind.
Function RemoveEarlierInstall
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == ""
  ${OrIf} $0 == $INSTDIR
    Return
  ${EndIf}
  DetailPrint "Removing the earlier installation in $0"
  Delete "$0\header.bmp"
  Delete "$0\windows_help.txt"
  Delete "$0\${UNINSTALLER}"
  RMDir "$0"
FunctionEnd

Section "Orvane screen saver" SecSaver
  SectionIn RO
  ; Page callbacks do not run in a silent install: the lengths are checked here as well.
  Call CheckSettingLengths
  ${If} $0 == 0
    SetErrorLevel 2
    MessageBox MB_ICONSTOP|MB_OK "The client folder $INSTDIR is too long: the screen saver reads at most ${MAX_SETTING_LENGTH} characters of the client's path." /SD IDOK
    Abort
  ${EndIf}
  Call RemoveEarlierInstall

  SetOutPath "$SYSDIR"
  File "/oname=Orvane.scr" "${SCREEN_SAVER}"
  SetOutPath "$INSTDIR"
  File "/oname=header.bmp" "${HEADER}"
  File "/oname=windows_help.txt" "${HELP}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  ; Only the client's two keys: "Blank", "Minutes" and every other key are the user's.
  WriteINIStr "$WINDIR\orvane.ini" "boot" "ClientPath" "$INSTDIR\$ClientProgram"
  WriteINIStr "$WINDIR\orvane.ini" "boot" "ClientDir" "$INSTDIR"
  FlushINI "$WINDIR\orvane.ini"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} screen saver"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\Orvane.scr"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/M=*.* /S=0K /G=0" $0 $1 $2
  ${GetSize} "$SYSDIR" "/M=Orvane.scr /S=0K /G=0" $1 $2 $3
  IntOp $0 $0 + $1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; What the Display settings' screen-saver list does when Orvane is picked there.
Section "Make Orvane the current screen saver" SecCurrent
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\Orvane.scr"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
SectionEnd

Section "Uninstall"
  Delete "$SYSDIR\Orvane.scr"
  Delete "$INSTDIR\header.bmp"
  Delete "$INSTDIR\windows_help.txt"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Only when empty: the folder is the client's, and its own files stay.
  RMDir "$INSTDIR"

  ; Another screen saver picked since then stays picked. The value may name Orvane by its
  ; long or its short path, in any case.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${GetFileName} "$0" $1
  ${If} $1 == "Orvane.scr"
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${EndIf}

  ; orvane.ini stays: it holds the user's choices.
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
