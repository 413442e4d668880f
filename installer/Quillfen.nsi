; Installer of Quillfen.dll for all users of a machine.
;
; makensis -DQF_GENERATED=<build>/generated -DQF_DLL=<stripped 32-bit Quillfen.dll>
;          -DQF_DLL64=<stripped 64-bit Quillfen.dll>
;          -DQF_OUTFILE=<QuillfenSetup-<version>.exe> Quillfen.nsi
;
; The installer is a 32-bit program. It installs the 32-bit DLL, the one the
; host loads, into the 32-bit Program Files folder and registers it in the
; 32-bit registry view. On 64-bit Windows it also installs the 64-bit DLL
; (for 64-bit script hosts) into the 64-bit Program Files folder and
; registers it in the 64-bit view, with the 64-bit regsvr32.
;
; The version and the build stamp are read from the headers the build
; generates, so that they are written down in one place only.
;
; Exit codes (the same in silent mode, /S, where no message is shown):
;   0 installed or removed          4 a newer version is installed
;   1 cancelled by the user         5 Quillfen.dll is in use
;   2 no administrator rights       6 Quillfen.dll could not be registered
;   3 the host is not installed

Unicode true
RequestExecutionLevel admin
SetCompressor /SOLID lzma
AllowSkipFiles off
SetOverwrite on
ShowInstDetails show
ShowUninstDetails show

!include LogicLib.nsh
!include WordFunc.nsh
!include FileFunc.nsh
!include x64.nsh

!searchparse /file "${QF_GENERATED}/quillfen_version.h" '#define QF_VERSION_STRING "' QF_VERSION '"'
!searchparse /file "${QF_GENERATED}/build_stamp.h" '#define QF_BUILD_STAMP "' QF_BUILD_STAMP '"'

!define PRODUCT "Quillfen"
!define PUBLISHER "Quillfen"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillfen"
; The host's type libraries the component's interfaces derive from.
!define LIBID_PAYMENTS "{F688B306-BD1E-43EA-A57E-233CAAD85FA7}"
!define LIBID_RECONCILIATION "{029E7855-9E3C-4F2E-B645-EE92B768E718}"
!define LIBID_EBANKING "{3BCB5AA3-2FF5-4692-AD33-AD34B901371E}"

!define EXIT_NOT_ADMIN 2
!define EXIT_NO_HOST 3
!define EXIT_NEWER 4
!define EXIT_IN_USE 5
!define EXIT_REGISTRATION 6

Name "${PRODUCT} ${QF_VERSION}"
OutFile "${QF_OUTFILE}"
InstallDir "$PROGRAMFILES32\${PRODUCT}"
; An installed copy is upgraded where it is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${QF_VERSION} (${QF_BUILD_STAMP})"

VIProductVersion "${QF_VERSION}"
VIFileVersion "${QF_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${QF_VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${QF_VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 Quillfen"
VIAddVersionKey /LANG=1033 "BuildStamp" "${QF_BUILD_STAMP}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Shows a message (none when silent) and ends with the exit code, before
; anything is changed.
!macro Refuse code text
  MessageBox MB_OK|MB_ICONSTOP "${text}" /SD IDOK
  SetErrorLevel ${code}
  Quit
!macroend

; Writing the machine's registry and Program Files needs an administrator.
; With User Account Control the request above elevates the installer; a
; standard user without it (or with UAC off) is told so here.
!macro CheckAdmin un
Function ${un}CheckAdmin
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    !insertmacro Refuse ${EXIT_NOT_ADMIN} "${PRODUCT} must be installed and removed by an administrator.$\r$\n$\r$\nRight-click the program and choose $\"Run as administrator$\", or ask your administrator."
  ${EndIf}
FunctionEnd
!macroend
!insertmacro CheckAdmin ""
!insertmacro CheckAdmin "un."

; A loaded DLL cannot be opened for writing. Refusing here, before anything
; changes, is better than a replacement pending until the next restart.
!macro CheckNotInUse un
Function ${un}CheckNotInUse
  Exch $0
  ${If} ${FileExists} "$0\Quillfen.dll"
    ClearErrors
    FileOpen $1 "$0\Quillfen.dll" a
    ${If} ${Errors}
      !insertmacro Refuse ${EXIT_IN_USE} "Quillfen.dll in $0 is in use.$\r$\n$\r$\nClose the accounting program (and any other program that uses ${PRODUCT}) and run this again."
    ${EndIf}
    FileClose $1
  ${EndIf}
  Pop $0
FunctionEnd
!macroend
!insertmacro CheckNotInUse ""
!insertmacro CheckNotInUse "un."

!macro RequireTypeLib libid
  ClearErrors
  EnumRegKey $0 HKCR "TypeLib\${libid}" 0
  ${If} ${Errors}
  ${OrIf} $0 == ""
    !insertmacro Refuse ${EXIT_NO_HOST} "The accounting program that ${PRODUCT} plugs into is not installed on this computer (its type library ${libid} is not registered).$\r$\n$\r$\nInstall the accounting program first, then run this again. Nothing has been changed."
  ${EndIf}
!macroend

; The 64-bit copy's folder: fixed, as 64-bit script hosts find it through
; the registry only.
Var INSTDIR64

Function .onInit
  StrCpy $INSTDIR64 ""
  ${If} ${RunningX64}
    StrCpy $INSTDIR64 "$PROGRAMFILES64\${PRODUCT}"
  ${EndIf}
  SetRegView 32
  SetShellVarContext all
  Call CheckAdmin
  !insertmacro RequireTypeLib "${LIBID_EBANKING}"
  !insertmacro RequireTypeLib "${LIBID_PAYMENTS}"
  !insertmacro RequireTypeLib "${LIBID_RECONCILIATION}"

  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $0 != ""
    ${VersionCompare} $0 "${QF_VERSION}" $1
    ${If} $1 == 1
      !insertmacro Refuse ${EXIT_NEWER} "${PRODUCT} $0 is installed, which is newer than this version (${QF_VERSION}).$\r$\n$\r$\nUninstall it first if you mean to go back to this version. Nothing has been changed."
    ${EndIf}
  ${EndIf}
FunctionEnd

; Whatever stopped the install part way, the previous DLL goes back.
Function .onInstFailed
  Call RestorePrevious
FunctionEnd

; The 64-bit DLL is registered by the 64-bit regsvr32: a 32-bit process
; cannot load it. Sets the error flag when registering fails.
!macro RegSvr64 un suffix flags dll
Function ${un}RegSvr64${suffix}
  ClearErrors
  ${DisableX64FSRedirection}
  ExecWait '"$SYSDIR\regsvr32.exe" /s ${flags} "${dll}"' $0
  ${EnableX64FSRedirection}
  ${If} $0 != 0
    SetErrors
  ${EndIf}
FunctionEnd
!macroend
!insertmacro RegSvr64 "" "" "" "$INSTDIR64\Quillfen.dll"
!insertmacro RegSvr64 "un." "Remove" "/u" "$INSTDIR64\Quillfen.dll"

Function RestorePrevious
  ${If} $INSTDIR64 != ""
    ${If} ${FileExists} "$INSTDIR64\Quillfen.dll.previous"
      Delete "$INSTDIR64\Quillfen.dll"
      Rename "$INSTDIR64\Quillfen.dll.previous" "$INSTDIR64\Quillfen.dll"
      Call RegSvr64
    ${ElseIf} ${FileExists} "$INSTDIR64\Quillfen.dll"
    ${AndIfNot} ${FileExists} "$INSTDIR\Uninstall.exe"
      Delete "$INSTDIR64\Quillfen.dll"
      RMDir "$INSTDIR64"
    ${EndIf}
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\Quillfen.dll.previous"
    Delete "$INSTDIR\Quillfen.dll"
    Rename "$INSTDIR\Quillfen.dll.previous" "$INSTDIR\Quillfen.dll"
    RegDLL "$INSTDIR\Quillfen.dll"
  ${ElseIf} ${FileExists} "$INSTDIR\Quillfen.dll"
  ${AndIfNot} ${FileExists} "$INSTDIR\Uninstall.exe"
    ; A first install: nothing of ours stays behind. The folder cannot go
    ; while it is the installer's working folder.
    Delete "$INSTDIR\Quillfen.dll"
    SetOutPath "$TEMP"
    RMDir "$INSTDIR"
  ${EndIf}
FunctionEnd

Section "${PRODUCT}"
  SetRegView 32
  SetShellVarContext all
  Push $INSTDIR
  Call CheckNotInUse
  ${If} $INSTDIR64 != ""
    Push $INSTDIR64
    Call CheckNotInUse
  ${EndIf}

  SetOutPath "$INSTDIR"
  ${If} ${FileExists} "$INSTDIR\Quillfen.dll"
    Delete "$INSTDIR\Quillfen.dll.previous"
    Rename "$INSTDIR\Quillfen.dll" "$INSTDIR\Quillfen.dll.previous"
  ${EndIf}
  File "/oname=Quillfen.dll" "${QF_DLL}"

  ClearErrors
  RegDLL "$INSTDIR\Quillfen.dll"
  ${If} ${Errors}
    DetailPrint "Quillfen.dll could not be registered."
    Call RestorePrevious
    !insertmacro Refuse ${EXIT_REGISTRATION} "Quillfen.dll could not be registered, so ${PRODUCT} has not been installed.$\r$\n$\r$\nCheck that the accounting program is installed and working, then run this again."
  ${EndIf}

  ${If} $INSTDIR64 != ""
    CreateDirectory "$INSTDIR64"
    ${If} ${FileExists} "$INSTDIR64\Quillfen.dll"
      Delete "$INSTDIR64\Quillfen.dll.previous"
      Rename "$INSTDIR64\Quillfen.dll" "$INSTDIR64\Quillfen.dll.previous"
    ${EndIf}
    SetOutPath "$INSTDIR64"
    File "/oname=Quillfen.dll" "${QF_DLL64}"
    SetOutPath "$INSTDIR"
    Call RegSvr64
    ${If} ${Errors}
      DetailPrint "The 64-bit Quillfen.dll could not be registered."
      ; A first install takes back the 32-bit registration too.
      ${IfNot} ${FileExists} "$INSTDIR\Quillfen.dll.previous"
        UnRegDLL "$INSTDIR\Quillfen.dll"
      ${EndIf}
      Call RestorePrevious
      !insertmacro Refuse ${EXIT_REGISTRATION} "The 64-bit Quillfen.dll could not be registered, so ${PRODUCT} has not been installed.$\r$\n$\r$\nCheck that the accounting program is installed and working, then run this again."
    ${EndIf}
    Delete "$INSTDIR64\Quillfen.dll.previous"
  ${EndIf}
  Delete "$INSTDIR\Quillfen.dll.previous"

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ; One entry, whichever version wrote it last.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${QF_VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  ${If} $INSTDIR64 != ""
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation64" "$INSTDIR64"
  ${EndIf}
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quillfen.dll,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Function un.onInit
  SetRegView 32
  SetShellVarContext all
  Call un.CheckAdmin
  StrCpy $INSTDIR64 ""
  ${If} ${RunningX64}
    ReadRegStr $INSTDIR64 HKLM "${UNINSTALL_KEY}" "InstallLocation64"
  ${EndIf}
FunctionEnd

; BANKSERV.INI and the diagnostics log live in the application data folder:
; they are the user's and stay.
Section "Uninstall"
  SetRegView 32
  SetShellVarContext all
  Push $INSTDIR
  Call un.CheckNotInUse
  ${If} $INSTDIR64 != ""
    Push $INSTDIR64
    Call un.CheckNotInUse
  ${EndIf}

  ${If} $INSTDIR64 != ""
  ${AndIf} ${FileExists} "$INSTDIR64\Quillfen.dll"
    Call un.RegSvr64Remove
    ${If} ${Errors}
      DetailPrint "The 64-bit Quillfen.dll could not be unregistered; removing it anyway."
    ${EndIf}
    Delete "$INSTDIR64\Quillfen.dll"
    Delete "$INSTDIR64\Quillfen.dll.previous"
    RMDir "$INSTDIR64"
  ${EndIf}

  ClearErrors
  UnRegDLL "$INSTDIR\Quillfen.dll"
  ${If} ${Errors}
    DetailPrint "Quillfen.dll could not be unregistered; removing it anyway."
  ${EndIf}
  Delete "$INSTDIR\Quillfen.dll"
  Delete "$INSTDIR\Quillfen.dll.previous"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
