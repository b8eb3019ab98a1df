; The Windows installer of Vantorix, for 64-bit Windows: the program folder,
; the .sms document type, a Start-menu entry, the registration of Oravane,
; and an uninstaller with its entry in Add/Remove Programs. Runs silently
; with /S; its uninstaller too (and takes /REMOVEUSERDATA there).
;
; make-installer.sh runs makensis on this file with these definitions:
;   VERSION       the program's version (1.2.3)
;   OUTFILE       the installer to write
;   FILES_NSH     the generated list of the program folder's files
;   ORAVANE_ARCH  i686 or x86_64: which regsvr32 registers Oravane.dll
;   ICON          the program's icon (.ico)

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT "Vantorix"
!define PUBLISHER "Quorvel"
!define PROG_ID "Vantor.Document"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; Where the program keeps what belongs to its user: the campaign store
; (%APPDATA%\Vantorix) and its settings (Qt's, below the organisation).
!define USER_DATA_FOLDER "$APPDATA\${PRODUCT}"
!define SETTINGS_KEY "Software\${PUBLISHER}\${PRODUCT}"

; Oravane is a 32-bit library on the 64-bit system: the 32-bit regsvr32
; (SysWOW64) loads it. A 64-bit build of it (the one wine can run) takes the
; native one.
!if "${ORAVANE_ARCH}" == "i686"
    !define REGSVR32 "$WINDIR\SysWOW64\regsvr32.exe"
!else if "${ORAVANE_ARCH}" == "x86_64"
    !define REGSVR32 "$SYSDIR\regsvr32.exe"
!else
    !error "ORAVANE_ARCH must be i686 or x86_64"
!endif

!include "${FILES_NSH}"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\vantorix.exe"
!define MUI_FINISHPAGE_TEXT "${PRODUCT} is installed. Plug in your USB modem, then start ${PRODUCT} from the Start menu."

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!define MUI_COMPONENTSPAGE_TEXT_TOP "${PRODUCT} will be removed from your computer. Your campaigns and settings stay unless you tick them below."
!define MUI_COMPONENTSPAGE_SMALLDESC
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "${PRODUCT}" SecProgram
    SectionIn RO
    SetRegView 64
    SetShellVarContext all

    !insertmacro VantorixInstallFiles
    SetOutPath "$INSTDIR"
    File "/oname=vantorix.ico" "${ICON}"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    ; The campaign document type; HKLM\Software\Classes is HKCR for everyone.
    WriteRegStr HKLM "Software\Classes\.sms" "" "${PROG_ID}"
    WriteRegStr HKLM "Software\Classes\.sms\OpenWithProgids" "${PROG_ID}" ""
    WriteRegStr HKLM "Software\Classes\${PROG_ID}" "" "${PRODUCT} Campaign"
    WriteRegStr HKLM "Software\Classes\${PROG_ID}\DefaultIcon" "" "$INSTDIR\vantorix.ico"
    WriteRegStr HKLM "Software\Classes\${PROG_ID}\shell\open\command" "" '"$INSTDIR\vantorix.exe" "%1"'
    ; SHCNE_ASSOCCHANGED: Explorer shows the new icon and verb at once.
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\vantorix.exe" "" "$INSTDIR\vantorix.ico" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vantorix.ico"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0

    ; Last, with everything in place: Oravane's set-up actions look for the
    ; runtime package and Lumarin.dll beside it, so it runs in the folder.
    ; Its outcome does not undo the installation: the program does not use it.
    ExecWait '"${REGSVR32}" /s "$INSTDIR\Oravane.dll"' $0
    ${If} $0 != 0
        DetailPrint "Oravane.dll was not registered (regsvr32 exit code $0)."
    ${EndIf}
SectionEnd

Section "un.${PRODUCT}" UnSecProgram
    SectionIn RO
    SetRegView 64
    SetShellVarContext all

    ; First, while the file is there: Oravane's clean-up actions. They start
    ; programs that they do not wait for (regsvr32 for Lumarin.dll, the
    ; runtime package): started from the temporary folder, those do not hold
    ; the installation folder as their working directory.
    ${If} ${FileExists} "$INSTDIR\Oravane.dll"
        SetOutPath "$TEMP"
        ExecWait '"${REGSVR32}" /s /u "$INSTDIR\Oravane.dll"'
    ${EndIf}

    Delete "$SMPROGRAMS\${PRODUCT}.lnk"

    ; The document type: .sms itself only while it is still ours.
    ReadRegStr $0 HKLM "Software\Classes\.sms" ""
    ${If} $0 == "${PROG_ID}"
        DeleteRegKey HKLM "Software\Classes\.sms"
    ${Else}
        DeleteRegValue HKLM "Software\Classes\.sms\OpenWithProgids" "${PROG_ID}"
        DeleteRegKey /ifempty HKLM "Software\Classes\.sms\OpenWithProgids"
    ${EndIf}
    DeleteRegKey HKLM "Software\Classes\${PROG_ID}"
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

    ; Only the files the installer put there, never the whole folder: a
    ; folder chosen by the user may hold other things. A file that one of
    ; those programs still holds is tried again for a few seconds, then left
    ; to be removed at the next restart.
    StrCpy $1 0
    ${Do}
        IntOp $1 $1 + 1
        ${If} $1 < 20
            !insertmacro VantorixUninstallFiles ""
            Delete "$INSTDIR\vantorix.ico"
            Delete "$INSTDIR\Uninstall.exe"
            RMDir "$INSTDIR"
        ${Else}
            !insertmacro VantorixUninstallFiles /REBOOTOK
            Delete /REBOOTOK "$INSTDIR\vantorix.ico"
            Delete /REBOOTOK "$INSTDIR\Uninstall.exe"
            RMDir /REBOOTOK "$INSTDIR"
        ${EndIf}
        ${IfNot} ${FileExists} "$INSTDIR\*.*"
        ${OrIf} $1 >= 20
            ${Break}
        ${EndIf}
        Sleep 500
    ${Loop}

    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Campaigns and settings" UnSecUserData
    SetShellVarContext current
    RMDir /r "${USER_DATA_FOLDER}"
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\${PUBLISHER}"
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${UnSecProgram} "The program, its Start-menu entry and the .sms document type."
    !insertmacro MUI_DESCRIPTION_TEXT ${UnSecUserData} "The campaign store (every campaign and its results) and the program's settings."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

Function un.onInit
    ; /REMOVEUSERDATA: the removal of the campaigns and settings, which a
    ; silent uninstall otherwise leaves.
    ${un.GetParameters} $0
    ClearErrors
    ${un.GetOptions} $0 "/REMOVEUSERDATA" $1
    ${IfNot} ${Errors}
        SectionSetFlags ${UnSecUserData} ${SF_SELECTED}
    ${EndIf}
FunctionEnd
