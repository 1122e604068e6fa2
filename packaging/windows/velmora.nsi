; The Windows installer: the zip's folder, installed per machine into Program Files\Velmora, with a
; Start-menu entry and an uninstaller in the system's list of installed programs.
;
; Made by scripts/build-windows.sh, which passes
;   VERSION   the program's version, VERSION4 the same as four numbers
;   STAGE     the folder the zip is made of
;   FILES     a file of its own making that names each file and folder of STAGE (files.nsh)
;   OUTFILE   the installer to write
;   ICON      the programs' icon
;   SIGN      (when the organisation signs) its signing command, given each file to sign in place
; Silent install and uninstall: /S. Uninstalling keeps every user's settings (%APPDATA%\Velmora).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true
ManifestSupportedOS all

!ifdef SIGN
    !finalize '${SIGN} "%1"'
    !uninstfinalize '${SIGN} "%1"'
!endif

!include "MUI2.nsh"
!include "x64.nsh"
!include "FileFunc.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora"

Name "Velmora ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Velmora"
BrandingText "Velmora ${VERSION}"

VIProductVersion "${VERSION4}"
VIAddVersionKey /LANG=2052 "ProductName" "Velmora"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "FileDescription" "Velmora ${VERSION} setup"
VIAddVersionKey /LANG=2052 "LegalCopyright" "GPL-3.0-or-later"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\velmora.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; The files of the stage, as two macros: InstallFiles and RemoveFiles.
!include "${FILES}"

Function .onInit
    ; The programs are 64-bit, and so are the registry's and Program Files' views they are installed to.
    ${IfNot} ${RunningX64}
        MessageBox MB_ICONSTOP "Velmora 需要 64 位的 Windows。" /SD IDOK
        Abort
    ${EndIf}
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Velmora"
    SetOutPath "$INSTDIR"
    !insertmacro InstallFiles
    WriteUninstaller "$INSTDIR\uninstall.exe"
    SetOutPath "$INSTDIR"
    CreateShortCut "$SMPROGRAMS\Velmora.lnk" "$INSTDIR\velmora.exe" "" "$INSTDIR\velmora.exe" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Velmora"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Velmora"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\velmora.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Uninstall"
    ; Only the files the installer put there: a folder chosen by hand may hold the user's own files.
    ; The settings live in each user's %APPDATA%\Velmora, which stays.
    Delete "$SMPROGRAMS\Velmora.lnk"
    !insertmacro RemoveFiles
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
