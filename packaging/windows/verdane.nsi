; The Windows installer: Verdane-<version>-setup.exe.
;
;   makensis -DVERSION=1.0 -DEXE=Verdane.exe -DICON=verdane.ico
;            -DLICENSE=LICENSE -DOUTFILE=Verdane-1.0-setup.exe verdane.nsi
;
; Per-user by default, with no administrator rights needed: into
; %LOCALAPPDATA%\Programs\Verdane, with the Start-menu shortcut and the
; entry of the installed programs under the user's own keys. Run as an
; administrator, for all users: into Program Files, with the shortcut and
; the entry for the whole machine. /CurrentUser on the command line keeps a
; per-user install even then. The uninstaller removes the program, its
; shortcut and its entry; the settings and the imported files, kept in the
; user's own folders, stay.

!ifndef VERSION | EXE | ICON | LICENSE | OUTFILE
  !error "Give VERSION, EXE, ICON, LICENSE and OUTFILE with -D"
!endif

Unicode true
; 64-bit: the program is, and Wine without its 32-bit part cannot start a
; 32-bit installer.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT "Verdane"
!define PUBLISHER "The Verdane developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"

Name "${PRODUCT}"
Caption "Installation de ${PRODUCT} ${VERSION}"
UninstallCaption "Désinstallation de ${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1036 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1036 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1036 "FileDescription" "Installation de ${PRODUCT}"
VIAddVersionKey /LANG=1036 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1036 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1036 "LegalCopyright" "MIT"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\${PRODUCT}.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Lancer ${PRODUCT}"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "French"

; 1 for all users (machine-wide keys and shortcut), 0 for the current user.
Var AllUsers

!macro UseInstallMode
  ${If} $AllUsers = 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
!macroend

Function .onInit
  StrCpy $AllUsers 0
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/CurrentUser" $1
  ${If} ${Errors}
    ; An administrator's process (elevated, where the system asks) installs
    ; for everybody.
    UserInfo::GetAccountType
    Pop $1
    ${If} $1 == "Admin"
      StrCpy $AllUsers 1
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${EndIf}
  ${EndIf}
  !insertmacro UseInstallMode
FunctionEnd

Section "${PRODUCT}"
  SetOutPath "$INSTDIR"
  File "/oname=${PRODUCT}.exe" "${EXE}"
  !ifdef GUIDE
    File "/oname=Guide de l'utilisateur.html" "${GUIDE}"
  !endif
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${PRODUCT}.exe" "" \
    "$INSTDIR\${PRODUCT}.exe" 0 SW_SHOWNORMAL "" \
    "Recherche dans la base CIS des médicaments"

  ; The entry of the system's list of installed programs; SHCTX is the
  ; machine's keys for all users, the user's own otherwise.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PRODUCT}.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  ; All users when the machine-wide entry names this very folder.
  StrCpy $AllUsers 0
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    StrCpy $AllUsers 1
  ${EndIf}
  !insertmacro UseInstallMode
FunctionEnd

Section "Uninstall"
  ; Only what the installer put there: a settings file or a copy of the
  ; database that a portable use left in the folder stays, and so does the
  ; folder then.
  Delete "$INSTDIR\${PRODUCT}.exe"
  Delete "$INSTDIR\Guide de l'utilisateur.html"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
