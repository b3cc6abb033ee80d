; The Windows installer: a per-user install (no administrator prompt) into the user's programs
; folder, a Start-menu shortcut, and an uninstaller listed in "Apps". Built by the Windows build
; (packaging/CMakeLists.txt) with:
;   makensis -DVERSION=1.0 -DSETUP_EXE=... -DCLI_EXE=... -DICON=... [-DWIZARD_BMP=...]
;            -DOUTFILE=... installer.nsi
; Administrators: `setup.exe /S` installs silently, `/D=C:\folder` (last, unquoted) chooses the
; folder; `uninstall.exe /S` removes it silently.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel user

!define PRODUCT "Dravmoor Quick Setup"
!define PUBLISHER "Dravmoor"
; The "Apps" entry of the current user.
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\DravmoorQuickSetup"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION} Setup"
UninstallCaption "${PRODUCT} ${VERSION} Uninstall"
BrandingText "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; A folder chosen at an earlier install is offered again.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails hide
ShowUninstDetails hide

VIProductVersion "${VERSION}.0.0"
VIFileVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} installer"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Dravmoor Quick Setup developers"

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!ifdef WIZARD_BMP
  !define MUI_WELCOMEFINISHPAGE_BITMAP "${WIZARD_BMP}"
  !define MUI_WELCOMEFINISHPAGE_BITMAP_STRETCH NoStretchNoCrop
  !define MUI_UNWELCOMEFINISHPAGE_BITMAP "${WIZARD_BMP}"
  !define MUI_UNWELCOMEFINISHPAGE_BITMAP_STRETCH NoStretchNoCrop
!endif
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TITLE "Install ${PRODUCT} ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "${PRODUCT} finds the network-storage adapters on your local network, shows their state, sets them up and maps their shares to drive letters.$\r$\n$\r$\nIt is installed for you alone, without administrator rights, and changes no firewall setting.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "${PRODUCT} is installed"
!define MUI_FINISHPAGE_TEXT "Start it from the Start menu: ${PRODUCT}. The command-line client dravmoor.exe is in the same folder.$\r$\n$\r$\nRemove it from Settings, Apps."
!define MUI_FINISHPAGE_RUN "$INSTDIR\dravmoor-setup.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT} now"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

Section "Install"
  SetOutPath "$INSTDIR"
  File "/oname=dravmoor-setup.exe" "${SETUP_EXE}"
  File "/oname=dravmoor.exe" "${CLI_EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "${SHORTCUT}" "$INSTDIR\dravmoor-setup.exe" "" "$INSTDIR\dravmoor-setup.exe" 0 \
    SW_SHOWNORMAL "" "Find and set up Dravmoor network-storage adapters"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$\"$INSTDIR\dravmoor-setup.exe$\",0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\uninstall.exe$\""
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\uninstall.exe$\" /S"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "https://dravmoor.net/"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ; "Apps" shows the size from this value, in KiB.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; A program's file, once it is no longer running: one closed a moment ago may still be ending.
; While it runs, nothing more is removed, so the entry in "Apps" stays for another try.
!macro DeleteProgram FILE
  StrCpy $R0 0
  ${Do}
    ClearErrors
    Delete "${FILE}"
    ${IfNot} ${Errors}
      ${Break}
    ${EndIf}
    IntOp $R0 $R0 + 1
    ${If} $R0 >= 20
      MessageBox MB_ICONSTOP|MB_OK "${PRODUCT} is still running. Close it, then remove it again." /SD IDOK
      SetErrorLevel 2
      Abort
    ${EndIf}
    Sleep 250
  ${Loop}
!macroend

; Only what the installer put there goes: the folder may be one the user chose and shares with
; other files, so it is removed only when it is left empty.
Section "Uninstall"
  !insertmacro DeleteProgram "$INSTDIR\dravmoor-setup.exe"
  !insertmacro DeleteProgram "$INSTDIR\dravmoor.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "${SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
