; The Windows installer: Program Files, a Start-menu entry, an uninstaller; `/S` installs and
; uninstalls silently. scripts/package-windows passes the version, the folder that
; `cmake --install` filled and the name of the file to make.
;   makensis -DVERSION=0.1.0 -DSTAGE=/path/Korvath -DOUTFILE=/path/korvath-0.1.0-win64-setup.exe
Unicode true
; A 64-bit installer for a 64-bit program: it also runs where 32-bit programs cannot (wine64)
Target amd64-unicode
SetCompressor /SOLID lzma
!include "MUI2.nsh"
!include "x64.nsh"

Name "Korvath ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Korvath"
RequestExecutionLevel admin
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvath"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

; Installed for every user of the machine, as Program Files is.
Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Korvath"
  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\Korvath"
  CreateShortcut "$SMPROGRAMS\Korvath\Korvath.lnk" "$INSTDIR\korvath.exe" "" "$INSTDIR\korvath.exe" 0
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Korvath"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\korvath.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
SectionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

; The user's own files live in %LOCALAPPDATA%\Korvath and stay.
Section "Uninstall"
  Delete "$SMPROGRAMS\Korvath\Korvath.lnk"
  RMDir "$SMPROGRAMS\Korvath"
  ; What the installer put there, by name: a folder the user chose may hold more.
  Delete "$INSTDIR\*.exe"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\regions.html"
  Delete "$INSTDIR\README.txt"
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\styles"
  RMDir /r "$INSTDIR\translations"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
