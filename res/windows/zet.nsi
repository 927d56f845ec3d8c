; The Windows installer of ЗЕТ, made by scripts/package-windows with NSIS.
; Defines from the script: VERSION, STAGE (the installed tree), FILES and
; UNFILES (the install and uninstall lines of exactly that tree), ICON, OUTFILE.
; Installs for the current user, so no administrator rights are needed on a
; field laptop.
Unicode true
; The programs are 64-bit, and so is the installer (it runs where they run).
Target amd64-unicode
SetCompressor /SOLID lzma
!include "MUI2.nsh"

Name "ЗЕТ"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\ZET"
InstallDirRegKey HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZET" "InstallLocation"
RequestExecutionLevel user
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1049 "ProductName" "ЗЕТ"
VIAddVersionKey /LANG=1049 "CompanyName" "Вистен"
VIAddVersionKey /LANG=1049 "FileDescription" "Установка ЗЕТ"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "LegalCopyright" "ZET project"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\zet.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZET"
!define FILE_CLASS "ZET.Recording"

Section
  !include "${FILES}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\ЗЕТ.lnk" "$INSTDIR\zet.exe"

  ; .zet files open in the program by double-click and show its icon.
  WriteRegStr HKCU "Software\Classes\.zet" "" "${FILE_CLASS}"
  WriteRegStr HKCU "Software\Classes\${FILE_CLASS}" "" "Запись ЗЕТ"
  WriteRegStr HKCU "Software\Classes\${FILE_CLASS}\DefaultIcon" "" "$INSTDIR\zet.exe,0"
  WriteRegStr HKCU "Software\Classes\${FILE_CLASS}\shell\open\command" "" '"$INSTDIR\zet.exe" "%1"'

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "ЗЕТ"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Вистен"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zet.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ; Explorer shows the new icon at once.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
  ; Exactly the files the installer put there; recordings and anything else
  ; the user keeps in the folder stay.
  !include "${UNFILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\ЗЕТ.lnk"

  ReadRegStr $0 HKCU "Software\Classes\.zet" ""
  StrCmp $0 "${FILE_CLASS}" 0 +2
    DeleteRegKey HKCU "Software\Classes\.zet"
  DeleteRegKey HKCU "Software\Classes\${FILE_CLASS}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; The program's settings (port, font, recent files, run counter).
  DeleteRegKey HKCU "Software\Вистен\ЗЕТ"
  DeleteRegKey /ifempty HKCU "Software\Вистен"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
