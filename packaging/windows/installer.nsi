; The Windows installer: a per-user install (no administrator prompt) into the user's programs
; folder, a Start-menu shortcut, and an uninstaller listed in "Apps". Built by the Windows build
; (packaging/CMakeLists.txt) with:
;   makensis -DVERSION=1.0 -DSETUP_EXE=... -DCLI_EXE=... -DICON=... [-DWIZARD_BMP=...]
;            -DOUTFILE=... installer.nsi
; Administrators: `setup.exe /S` installs silently, `/D=C:\folder` (last, unquoted) chooses the
; folder, `/LOG=file` (quoted when it has spaces) names the install log (by default
; "%TEMP%\Dravmoor Quick Setup install.log"), which gets a line for each outcome;
; `uninstall.exe /S` removes it silently. Exit status 0: installed; 2: nothing was installed,
; the log says why (a folder holding another program's files of our names, or an earlier
; install that could not be removed).
;
; One install at a time: a reinstall into its folder upgrades it in place; an install into
; another folder removes the earlier one first (its uninstaller), so the "Apps" entry and the
; shortcut always name the folder holding the files. A folder that holds any of our file names
; but is not our registered install is refused: those files are someone else's, and the
; uninstaller would delete them.
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
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
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

Var Log      ; the install log's file
Var Verdict  ; for $INSTDIR: fresh, upgrade, replace or refuse
Var Found    ; refuse: the file name found there
Var Earlier  ; the folder of the registered install whose uninstaller is still there, or ""

; A line in the install log (and among the details of the pages).
!macro Log TEXT
  Push `${TEXT}`
  Call AppendLog
!macroend
Function AppendLog
  Exch $0
  Push $1
  DetailPrint "$0"
  ; The error flag may be left from before (a value not found, a folder not empty).
  ClearErrors
  FileOpen $1 "$Log" a
  ${IfNot} ${Errors}
    FileSeek $1 0 END
    FileWrite $1 "${PRODUCT} ${VERSION} setup: $0$\r$\n"
    FileClose $1
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; Sets $Verdict (and $Found, $Earlier) for an install into $INSTDIR.
Function Judge
  StrCpy $Earlier ""
  StrCpy $Found ""
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\uninstall.exe"
    StrCpy $Earlier $0
  ${EndIf}
  ; LogicLib's == ignores case, as the file system does.
  ${If} $Earlier != ""
  ${AndIf} $Earlier == $INSTDIR
    StrCpy $Verdict upgrade
    Return
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\dravmoor-setup.exe"
    StrCpy $Found dravmoor-setup.exe
  ${ElseIf} ${FileExists} "$INSTDIR\dravmoor.exe"
    StrCpy $Found dravmoor.exe
  ${ElseIf} ${FileExists} "$INSTDIR\uninstall.exe"
    StrCpy $Found uninstall.exe
  ${EndIf}
  ${If} $Found != ""
    StrCpy $Verdict refuse
  ${ElseIf} $Earlier != ""
    StrCpy $Verdict replace
  ${Else}
    StrCpy $Verdict fresh
  ${EndIf}
FunctionEnd

!define REFUSED_TEXT "$INSTDIR already holds $Found, and ${PRODUCT} is not installed there. Choose another folder: another program's files are not overwritten."

Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/LOG=" $Log
  ${If} ${Errors}
  ${OrIf} $Log == ""
    StrCpy $Log "$TEMP\${PRODUCT} install.log"
  ${EndIf}
  ; Silent, no page asks for a folder: refuse here, before anything changes.
  ${If} ${Silent}
    Call Judge
    ${If} $Verdict == refuse
      !insertmacro Log "refused $INSTDIR: it holds $Found, and no install of ${PRODUCT} is registered there; nothing installed"
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

; Leaving the folder page: a refused folder keeps the user on it; moving the install says so.
Function DirectoryLeave
  Call Judge
  ${If} $Verdict == refuse
    !insertmacro Log "refused $INSTDIR: it holds $Found, and no install of ${PRODUCT} is registered there"
    MessageBox MB_ICONEXCLAMATION|MB_OK "${REFUSED_TEXT}"
    Abort
  ${ElseIf} $Verdict == replace
    ${IfCmd} MessageBox MB_ICONQUESTION|MB_OKCANCEL "${PRODUCT} is installed in $Earlier. It will be removed from there and installed in $INSTDIR." IDCANCEL ${||} Abort ${|}
  ${EndIf}
FunctionEnd

Section "Install"
  ; Judged again: the folder may have changed since the folder page.
  Call Judge
  ${If} $Verdict == refuse
    !insertmacro Log "refused $INSTDIR: it holds $Found, and no install of ${PRODUCT} is registered there; nothing installed"
    MessageBox MB_ICONEXCLAMATION|MB_OK "${REFUSED_TEXT}" /SD IDOK
    SetErrorLevel 2
    Abort
  ${ElseIf} $Verdict == replace
    !insertmacro Log "installing into $INSTDIR; the install in $Earlier is removed first"
    ; _?= runs it in place and waits for it; it cannot remove itself then.
    ClearErrors
    ExecWait '"$Earlier\uninstall.exe" /S _?=$Earlier' $0
    ${If} ${Errors}
    ${OrIf} $0 != 0
      !insertmacro Log "the install in $Earlier could not be removed (uninstaller exit status $0); nothing installed"
      MessageBox MB_ICONSTOP|MB_OK "${PRODUCT} in $Earlier could not be removed: close it, then install again." /SD IDOK
      SetErrorLevel 2
      Abort
    ${EndIf}
    Delete "$Earlier\uninstall.exe"
    RMDir "$Earlier"
    !insertmacro Log "removed the install in $Earlier"
  ${ElseIf} $Verdict == upgrade
    !insertmacro Log "upgrading the install in $INSTDIR in place"
  ${Else}
    !insertmacro Log "installing into $INSTDIR"
  ${EndIf}

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
  !insertmacro Log "installed in $INSTDIR"
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
; other files, so it is removed only when it is left empty. The "Apps" entry and the shortcut
; go only when they are this folder's (an older installer could leave a second install whose
; entry they are).
Section "Uninstall"
  !insertmacro DeleteProgram "$INSTDIR\dravmoor-setup.exe"
  !insertmacro DeleteProgram "$INSTDIR\dravmoor.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == ""
  ${OrIf} $0 == $INSTDIR
    Delete "${SHORTCUT}"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd
