; The Windows installer for brevalin and brevalin-cli. The 32-bit programs and
; the 32-bit hardware QUILLSAN.DLL go in the program folder, the 64-bit
; hardware QUILLSAN.DLL in x64\ for 64-bit callers, and the programs once more
; in virtual\ beside the virtual QUILLSAN.DLL: the programs load the library
; from their own folder, so the folder decides the flavour.
;
; makensis -DVERSION=… -DOUTFILE=… -DBREVALIN_EXE=… -DBREVALIN_CLI_EXE=…
;          -DHARDWARE_DLL=… -DVIRTUAL_DLL=… -DX64_DLL=… -DREADME=… -DLICENSE=…
;          brevalin.nsi
; (the cross build's target `installer` passes them). -DAMD64 makes a 64-bit
; installer of the 64-bit build, for testing where 32-bit programs cannot run.

!ifdef AMD64
  Target amd64-unicode
!endif
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!macro Require name
  !ifndef ${name}
    !error "makensis needs -D${name}=…"
  !endif
!macroend
!macro RequireFile name
  !insertmacro Require ${name}
  !if /FileExists "${${name}}"
  !else
    !error "${name}: ${${name}} is missing"
  !endif
!macroend
!insertmacro Require VERSION
!insertmacro Require OUTFILE
!insertmacro RequireFile BREVALIN_EXE
!insertmacro RequireFile BREVALIN_CLI_EXE
!insertmacro RequireFile HARDWARE_DLL
!insertmacro RequireFile VIRTUAL_DLL
!insertmacro RequireFile X64_DLL
!insertmacro RequireFile README
!insertmacro RequireFile LICENSE

!define PRODUCT "brevalin"
!define PUBLISHER "Zantorel Instruments"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\brevalin"
!define MENU_FOLDER "$SMPROGRAMS\brevalin"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Zantorel\brevalin"
ShowInstDetails show
ShowUninstDetails show

!include "MUI2.nsh"
!include "LogicLib.nsh"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "${PUBLISHER}"

; Every file the installer puts in the program folder, once: the install
; section copies them and the uninstaller deletes exactly these, so files a
; user saved there stay. Each line: folder below $INSTDIR, name, source.
!macro PayloadFiles Action
  !insertmacro ${Action} "" "brevalin.exe" "${BREVALIN_EXE}"
  !insertmacro ${Action} "" "brevalin-cli.exe" "${BREVALIN_CLI_EXE}"
  !insertmacro ${Action} "" "QUILLSAN.DLL" "${HARDWARE_DLL}"
  !insertmacro ${Action} "" "README.txt" "${README}"
  !insertmacro ${Action} "\x64" "QUILLSAN.DLL" "${X64_DLL}"
  !insertmacro ${Action} "\virtual" "brevalin.exe" "${BREVALIN_EXE}"
  !insertmacro ${Action} "\virtual" "brevalin-cli.exe" "${BREVALIN_CLI_EXE}"
  !insertmacro ${Action} "\virtual" "QUILLSAN.DLL" "${VIRTUAL_DLL}"
!macroend
!macro InstallFile folder name source
  SetOutPath "$INSTDIR${folder}"
  File "/oname=${name}" "${source}"
!macroend
!macro RemoveFile folder name source
  Delete "$INSTDIR${folder}\${name}"
!macroend

Section "brevalin" SecMain
  SectionIn RO
  ; Shortcuts and the uninstall entry are for every user of the machine.
  SetShellVarContext all
  !insertmacro PayloadFiles InstallFile
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "${MENU_FOLDER}"
  ; A shortcut starts its program in the program's own folder (CreateShortcut
  ; takes the current output folder as the working folder).
  SetOutPath "$INSTDIR"
  CreateShortcut "${MENU_FOLDER}\brevalin.lnk" "$INSTDIR\brevalin.exe"
  SetOutPath "$INSTDIR\virtual"
  CreateShortcut "${MENU_FOLDER}\brevalin (virtual instrument).lnk" "$INSTDIR\virtual\brevalin.exe"
  SetOutPath "$INSTDIR"
  CreateShortcut "${MENU_FOLDER}\Uninstall brevalin.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SecMain} $0  ; in KiB, as EstimatedSize is
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  !insertmacro PayloadFiles RemoveFile
  Delete "$INSTDIR\uninstall.exe"
  ; The library's diagnostic log, which the programs write into the folder
  ; they start in: the shortcuts start them in these two.
  Delete "$INSTDIR\REMOTERR.LOG"
  Delete "$INSTDIR\virtual\REMOTERR.LOG"
  ; Without /r: a folder that still holds a user's files stays, with them.
  RMDir "$INSTDIR\virtual"
  RMDir "$INSTDIR\x64"
  RMDir "$INSTDIR"
  ; The publisher's folder the default location made, when nothing else is in it.
  ${If} "$INSTDIR" == "$PROGRAMFILES\Zantorel\brevalin"
    RMDir "$PROGRAMFILES\Zantorel"
  ${EndIf}

  Delete "${MENU_FOLDER}\brevalin.lnk"
  Delete "${MENU_FOLDER}\brevalin (virtual instrument).lnk"
  Delete "${MENU_FOLDER}\Uninstall brevalin.lnk"
  RMDir "${MENU_FOLDER}"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
