; The Windows installer of Korin, one per build. makensis is given:
;   -DVERSION=1.1.0 -DARCH=win32|win64 -DBUILD=<build folder> -DREADME=<README.txt>
;   -DLICENSE=<LICENSE.txt> -DICON=<korin.ico> -DOUTFILE=<setup.exe>
; Silent use, for administrators:
;   korin-VERSION-ARCH-setup.exe /S [/D=C:\folder]      install
;   "<folder>\uninstall.exe" /S [/REMOVESETTINGS]        uninstall
; Uninstalling asks whether Korin's settings go too; a silent uninstall keeps
; them unless /REMOVESETTINGS is given (that switch also answers the question
; in an interactive one).

Unicode true
!if "${ARCH}" == "win64"
    ; A 64-bit installer, so that it runs where 32-bit programs cannot.
    Target amd64-unicode
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define PRODUCT "Korin"
!define PUBLISHER "Brindlemoor"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korin"
; The key korin.exe keeps its settings in (app/settings_store.cpp); each
; build's program uses its own registry view, as this installer does.
!define MAKER_KEY "Software\Brindlemoor"
!define SETTINGS_KEY "${MAKER_KEY}\Korin"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
!if "${ARCH}" == "win64"
    InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
    InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} (${ARCH}) setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (c) 2026 the Korin authors. MIT License"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\korin.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; Japanese pages on a Japanese system, English on every other, as korin.exe
; chooses its own interface language.
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "English"

LangString NeedAdmin ${LANG_JAPANESE} "Korin のインストールとアンインストールには管理者の権限が要ります。"
LangString NeedAdmin ${LANG_ENGLISH} "Installing and uninstalling Korin needs an administrator."
LangString AskSettings ${LANG_JAPANESE} "Korin の設定 (ウィンドウの位置と表示の設定、レジストリの HKEY_LOCAL_MACHINE\${SETTINGS_KEY}) も削除しますか?"
LangString AskSettings ${LANG_ENGLISH} "Remove Korin's settings too (the window's place and the view settings, in the registry under HKEY_LOCAL_MACHINE\${SETTINGS_KEY})?"

Var removeSettings

!macro RequireAdmin
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "Admin"
        MessageBox MB_ICONSTOP|MB_OK "$(NeedAdmin)" /SD IDOK
        SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
        Quit
    ${EndIf}
!macroend

!macro UseProgramView
    SetShellVarContext all
!if "${ARCH}" == "win64"
    SetRegView 64
!endif
!macroend

Function .onInit
    !insertmacro RequireAdmin
    !insertmacro UseProgramView
FunctionEnd

Section "Korin"
    SetOutPath "$INSTDIR"
    File "${BUILD}/korin.exe"
    File "${BUILD}/korin-cli.exe"
    File "/oname=README.txt" "${README}"
    File "/oname=LICENSE.txt" "${LICENSE}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\korin.exe"

    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\korin.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
    !insertmacro RequireAdmin
    !insertmacro UseProgramView
    StrCpy $removeSettings 0
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/REMOVESETTINGS" $1
    ${IfNot} ${Errors}
        StrCpy $removeSettings 1
    ${EndIf}
FunctionEnd

Section "Uninstall"
    ; Exactly what the installer wrote; the folder goes only when nothing
    ; else was put into it.
    Delete "$INSTDIR\korin.exe"
    Delete "$INSTDIR\korin-cli.exe"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"

    ${If} $removeSettings == 0
        MessageBox MB_YESNO|MB_ICONQUESTION "$(AskSettings)" /SD IDNO IDNO keep
        StrCpy $removeSettings 1
    keep:
    ${EndIf}
    ${If} $removeSettings == 1
        DeleteRegKey HKLM "${SETTINGS_KEY}"
        DeleteRegKey /ifempty HKLM "${MAKER_KEY}"
    ${EndIf}
SectionEnd
