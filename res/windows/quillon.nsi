; The Windows installer of Quillon, built by scripts/package-windows.sh, which
; passes VERSION (four numbers), PROGRAM, LICENSE, README, ICON and OUTFILE.
;
; It installs for the user who runs it, without administrator rights, into
; the user's own programs folder. Run elevated, it offers an install for all
; users under Program Files (/ALLUSERS when silent). Quillon reads and writes
; Config.ini in its working directory, so the shortcuts start it in a folder
; of the user's own (%LOCALAPPDATA%\Quillon), never in the program folder.
;
; Command line: /S silent, /D=FOLDER (last, unquoted) the program folder,
; /ALLUSERS, /DESKTOP a desktop shortcut too. The uninstaller: /S, and
; /REMOVESETTINGS to remove the user's Config.ini as well.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include nsDialogs.nsh
!include x64.nsh

!define PRODUCT "Quillon"
!define PUBLISHER "The Quillon developers"
!define EXE "Quillon.exe"
!define UNINSTALLER "Uninstall.exe"
!define SHORTCUT "${PRODUCT}.lnk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; Windows runs StubPath once for every user who logs on, so that an install
; for all users gives each of them the working folder the shortcuts name.
!define ACTIVE_SETUP_KEY "Software\Microsoft\Active Setup\Installed Components\${PRODUCT}"
; Active Setup compares versions written with commas.
!searchreplace ACTIVE_SETUP_VERSION "${VERSION}" "." ","
!define DATA_FOLDER_NAME "${PRODUCT}"
; The user's programs folder (FOLDERID_UserProgramFiles).
!define FOLDERID_USER_PROGRAM_FILES "{5CD7AEE2-2219-4A67-B85D-6C9CE15660CB}"
; Exit codes beside NSIS's own 1 (cancelled) and 2 (aborted).
!define EXIT_ELEVATION_REQUIRED 740
!define EXIT_PROGRAM_RUNNING 32

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "OriginalFilename" "${PRODUCT}-${VERSION}-setup-x86_64.exe"

Var Elevated        ; 1 when run with administrator rights
Var AllUsers        ; 1 for an install for every user of the machine
Var GivenDir        ; the folder given with /D, empty when none
Var DataDir         ; the running user's working folder, Config.ini's place
Var ShortcutDir     ; the working folder the shortcuts name
Var ModeCurrentUser ; the radio buttons of the mode page
Var ModeAllUsers

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartQuillon
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
Page custom ModePageShow ModePageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Spanish"

LangString SecProgram ${LANG_ENGLISH} "Quillon and its Start-menu shortcut"
LangString SecProgram ${LANG_SPANISH} "Quillon y su acceso en el menú Inicio"
LangString SecDesktop ${LANG_ENGLISH} "Desktop shortcut"
LangString SecDesktop ${LANG_SPANISH} "Acceso directo en el escritorio"
LangString SecSettings ${LANG_ENGLISH} "My settings (Config.ini)"
LangString SecSettings ${LANG_SPANISH} "Mi configuración (Config.ini)"
LangString ShortcutComment ${LANG_ENGLISH} "Types what the scanner reads into the focused window"
LangString ShortcutComment ${LANG_SPANISH} "Escribe lo que lee el escáner en la ventana activa"
LangString ModeTitle ${LANG_ENGLISH} "Who will use Quillon"
LangString ModeTitle ${LANG_SPANISH} "Quién usará Quillon"
LangString ModeSubtitle ${LANG_ENGLISH} "Install for yourself or for every user of this computer."
LangString ModeSubtitle ${LANG_SPANISH} "Instalar para usted o para todos los usuarios del equipo."
LangString ModeCurrentUser ${LANG_ENGLISH} "Only for me"
LangString ModeCurrentUser ${LANG_SPANISH} "Solo para mí"
LangString ModeAllUsers ${LANG_ENGLISH} "For all users of this computer"
LangString ModeAllUsers ${LANG_SPANISH} "Para todos los usuarios del equipo"
LangString NeedsX64 ${LANG_ENGLISH} "Quillon needs 64-bit Windows."
LangString NeedsX64 ${LANG_SPANISH} "Quillon necesita Windows de 64 bits."
LangString NeedsAdmin ${LANG_ENGLISH} "Installing or removing Quillon for all users needs administrator rights: start this program with $\"Run as administrator$\"."
LangString NeedsAdmin ${LANG_SPANISH} "Instalar o quitar Quillon para todos los usuarios requiere permisos de administrador: inicie este programa con $\"Ejecutar como administrador$\"."
LangString StillRunning ${LANG_ENGLISH} "Quillon is running from $INSTDIR. Close it, then press Retry."
LangString StillRunning ${LANG_SPANISH} "Quillon está abierto desde $INSTDIR. Ciérrelo y pulse Reintentar."
LangString EarlierFailed ${LANG_ENGLISH} "The earlier Quillon in $0 could not be removed."
LangString EarlierFailed ${LANG_SPANISH} "No se pudo quitar el Quillon anterior de $0."

; Sets the shell folders and the default program folder for the mode chosen;
; a folder given with /D, or that of an earlier install, wins.
Function ApplyMode
  ${If} $AllUsers == 1
    SetShellVarContext all
    StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
  ${Else}
    SetShellVarContext current
    GetKnownFolderPath $INSTDIR ${FOLDERID_USER_PROGRAM_FILES}
    ${If} $INSTDIR == ""
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs"
    ${EndIf}
    StrCpy $INSTDIR "$INSTDIR\${PRODUCT}"
  ${EndIf}
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
  ${If} $GivenDir != ""
    StrCpy $INSTDIR $GivenDir
  ${EndIf}
FunctionEnd

; Shown only to an elevated installer: anyone else installs for themselves.
Function ModePageShow
  ${If} $Elevated != 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "$(ModeTitle)" "$(ModeSubtitle)"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateRadioButton} 15u 20u -15u 12u "$(ModeCurrentUser)"
  Pop $ModeCurrentUser
  ${NSD_CreateRadioButton} 15u 40u -15u 12u "$(ModeAllUsers)"
  Pop $ModeAllUsers
  ${If} $AllUsers == 1
    ${NSD_Check} $ModeAllUsers
  ${Else}
    ${NSD_Check} $ModeCurrentUser
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $ModeAllUsers $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $AllUsers 1
  ${Else}
    StrCpy $AllUsers 0
  ${EndIf}
  Call ApplyMode
FunctionEnd

; Windows will not let a running program's file be written: wait for the
; operator to close Quillon rather than leave the old one (or none) behind
; and report success. Silent, it gives up with its own exit code.
!macro WAIT_UNTIL_CLOSED UN
Function ${UN}WaitUntilClosed
  retry:
  ${If} ${FileExists} "$INSTDIR\${EXE}"
    ClearErrors
    FileOpen $0 "$INSTDIR\${EXE}" a
    ${If} ${Errors}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(StillRunning)" /SD IDCANCEL IDRETRY retry
      SetErrorLevel ${EXIT_PROGRAM_RUNNING}
      Quit
    ${EndIf}
    FileClose $0
  ${EndIf}
FunctionEnd
!macroend
!insertmacro WAIT_UNTIL_CLOSED ""
!insertmacro WAIT_UNTIL_CLOSED "un."

; An earlier install in another folder (same mode) is removed first, keeping
; the user's settings, so that one Quillon is listed and found.
Function RemoveEarlierElsewhere
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == ""
  ${OrIf} $0 == $INSTDIR
  ${OrIfNot} ${FileExists} "$0\${UNINSTALLER}"
    Return
  ${EndIf}
  DetailPrint "$0\${UNINSTALLER}"
  ; _?= runs it in place and waits for it; it then leaves itself behind.
  ExecWait '"$0\${UNINSTALLER}" /S _?=$0' $1
  ${If} $1 != 0
    MessageBox MB_OK|MB_ICONSTOP "$(EarlierFailed)" /SD IDOK
    SetErrorLevel $1
    Quit
  ${EndIf}
  Delete "$0\${UNINSTALLER}"
  RMDir "$0"
FunctionEnd

Section "!$(SecProgram)" SecProgram
  SectionIn RO
  Call RemoveEarlierElsewhere
  Call WaitUntilClosed
  SetOutPath "$INSTDIR"
  File "/oname=${EXE}" "${PROGRAM}"
  File "/oname=LICENSE.txt" "${LICENSE}"
  File "/oname=README.txt" "${README}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateDirectory "$DataDir"
  ${If} $AllUsers == 1
    ; Every user gets a folder of their own: the shell expands the variable
    ; when the shortcut starts Quillon, and Active Setup makes the folder.
    StrCpy $ShortcutDir "%LOCALAPPDATA%\${DATA_FOLDER_NAME}"
    WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "" "${PRODUCT}"
    WriteRegStr HKLM "${ACTIVE_SETUP_KEY}" "Version" "${ACTIVE_SETUP_VERSION}"
    WriteRegExpandStr HKLM "${ACTIVE_SETUP_KEY}" "StubPath" \
      '%SystemRoot%\System32\cmd.exe /d /c if not exist "$ShortcutDir" mkdir "$ShortcutDir"'
  ${Else}
    StrCpy $ShortcutDir $DataDir
  ${EndIf}
  ; CreateShortcut takes the shortcut's working folder from OUTDIR.
  StrCpy $OUTDIR $ShortcutDir
  CreateShortcut "$SMPROGRAMS\${SHORTCUT}" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0 SW_SHOWNORMAL "" "$(ShortcutComment)"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\${EXE}",0'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "$(SecDesktop)" SecDesktop
  StrCpy $OUTDIR $ShortcutDir
  CreateShortcut "$DESKTOP\${SHORTCUT}" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0 SW_SHOWNORMAL "" "$(ShortcutComment)"
SectionEnd

; The finish page's "Run Quillon", in the folder the shortcuts name.
Function StartQuillon
  SetOutPath "$DataDir"
  Exec '"$INSTDIR\${EXE}"'
FunctionEnd

; Only what the installer put there: the folder may be one the operator
; chose and share with other files, and Config.ini beside the program (a
; portable copy's) is the operator's.
Section "un.$(SecProgram)" UnSecProgram
  SectionIn RO
  Call un.WaitUntilClosed
  Delete "$INSTDIR\${EXE}"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\README.txt"
  Delete "$SMPROGRAMS\${SHORTCUT}"
  Delete "$DESKTOP\${SHORTCUT}"
  ${If} $AllUsers == 1
    DeleteRegKey HKLM "${ACTIVE_SETUP_KEY}"
  ${EndIf}
  ; Only the entry that names this folder: another install's stays listed.
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd

Section /o "un.$(SecSettings)" UnSecSettings
  Delete "$DataDir\Config.ini"
  RMDir "$DataDir"
  ; The port Quillon remembers for this user.
  DeleteRegKey HKCU "Software\${PRODUCT}"
SectionEnd

; The uninstaller goes last: it runs from a copy of itself, so a deployment
; script that waits for Uninstall.exe to be gone knows that all is done.
Section "-un.Uninstaller"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
SectionEnd

; After the sections, whose indices they use.
Function .onInit
  ; /D= sets INSTDIR before this runs; the script sets no InstallDir.
  StrCpy $GivenDir $INSTDIR
  ${IfNot} ${RunningX64}
    MessageBox MB_OK|MB_ICONSTOP "$(NeedsX64)" /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  ; Taken before any switch to all users, which would make it ProgramData.
  SetShellVarContext current
  StrCpy $DataDir "$LOCALAPPDATA\${DATA_FOLDER_NAME}"

  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    StrCpy $Elevated 1
  ${Else}
    StrCpy $Elevated 0
  ${EndIf}

  ; An elevated upgrade of an install for all users stays one.
  StrCpy $AllUsers 0
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $Elevated == 1
  ${AndIf} $0 == ""
  ${AndIf} $1 != ""
    StrCpy $AllUsers 1
  ${EndIf}

  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    ${If} $Elevated != 1
      MessageBox MB_OK|MB_ICONSTOP "$(NeedsAdmin)" /SD IDOK
      SetErrorLevel ${EXIT_ELEVATION_REQUIRED}
      Quit
    ${EndIf}
    StrCpy $AllUsers 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/DESKTOP" $R1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecDesktop} ${SF_SELECTED}
  ${EndIf}
  Call ApplyMode
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext current
  StrCpy $DataDir "$LOCALAPPDATA\${DATA_FOLDER_NAME}"
  UserInfo::GetAccountType
  Pop $0
  ; The install for all users is the one listed in HKLM with this folder.
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $1 == $INSTDIR
    ${If} $0 != "Admin"
      MessageBox MB_OK|MB_ICONSTOP "$(NeedsAdmin)" /SD IDOK
      SetErrorLevel ${EXIT_ELEVATION_REQUIRED}
      Quit
    ${EndIf}
    StrCpy $AllUsers 1
    SetShellVarContext all
  ${Else}
    StrCpy $AllUsers 0
  ${EndIf}
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVESETTINGS" $R1
  ${IfNot} ${Errors}
    SectionSetFlags ${UnSecSettings} ${SF_SELECTED}
  ${EndIf}
FunctionEnd
