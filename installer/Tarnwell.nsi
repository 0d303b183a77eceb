; Windows installer of Tarnwell.exe, one per bitness. installer/CMakeLists.txt
; writes files.nsh with the build's files (BITS, OUTFILE, PROGRAM, HELPFILE,
; SKINDIR, LOOMCRAFT and CORVANE when those components are built, and the
; macros InstallFurtherComponents / DeleteFurtherComponents for every other
; module of components/) and runs: makensis -DFILES=<files.nsh> Tarnwell.nsi
;
; What the program finds where:
;   installation folder  Tarnwell.exe, the components (registered), the help
;                        file; its path is HKCR\QMKEYOST_PST "FilePath"
;   image folder         $WINDIR\Quillmere for OST to PST: the skin bitmaps

Unicode true
!include "${FILES}"
!if ${BITS} == 64
  Target amd64-unicode
!else
  Target x86-unicode
!endif

!define PRODUCT "Quillmere for OST to PST"
!define TITLE "Quillmere for MS Exchange OST - MS Outlook PST"
!define REGKEY "QMKEYOST_PST"
!define IMAGEDIR "$WINDIR\${PRODUCT}"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QuillmereOstToPst"
; The framework's recent-file list of the program.
!define PROFILEKEY "Software\Local AppWizard-Generated Applications"

Name "${TITLE}"
Caption "${TITLE} Setup (${BITS}-bit)"
OutFile "${OUTFILE}"
!if ${BITS} == 64
  InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
  InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show
VIProductVersion "4.7.0.0"
VIAddVersionKey "ProductName" "${TITLE}"
VIAddVersionKey "FileDescription" "${TITLE} Setup"
VIAddVersionKey "FileVersion" "4.7.0"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 The Quillmere project"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

!macro SetViews
  ; The 64-bit installer writes the 64-bit registry and Program Files.
  !if ${BITS} == 64
    SetRegView 64
  !endif
!macroend

Function .onInit
  !insertmacro SetViews
FunctionEnd

Function un.onInit
  !insertmacro SetViews
FunctionEnd

Section "Program" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "/oname=Tarnwell.exe" "${PROGRAM}"
  File "/oname=${PRODUCT}.chm" "${HELPFILE}"
  !insertmacro InstallFurtherComponents
!ifdef LOOMCRAFT
  File "/oname=Loomcraft.dll" "${LOOMCRAFT}"
!endif
!ifdef CORVANE
  File "/oname=CorvaneRedmp.dll" "${CORVANE}"
!endif

  SetOutPath "${IMAGEDIR}"
  File "${SKINDIR}/Flash.bmp"
  File "${SKINDIR}/Browse.bmp"
  File "${SKINDIR}/AboutUs.bmp"
  File "${SKINDIR}/Save.bmp"
  SetOutPath "$INSTDIR"

  WriteRegStr HKCR "${REGKEY}" "FilePath" "$INSTDIR"

  ; The two automation servers, registered in this installer's bitness.
!ifdef LOOMCRAFT
  ClearErrors
  RegDLL "$INSTDIR\Loomcraft.dll"
  IfErrors 0 +2
    DetailPrint "Loomcraft.dll could not be registered"
!endif
!ifdef CORVANE
  ClearErrors
  RegDLL "$INSTDIR\CorvaneRedmp.dll"
  IfErrors 0 +2
    DetailPrint "CorvaneRedmp.dll could not be registered"
!endif

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayName" "${TITLE} (${BITS}-bit)"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayVersion" "4.7.0"
  WriteRegStr HKLM "${UNINSTKEY}" "Publisher" "The Quillmere project"
  WriteRegStr HKLM "${UNINSTKEY}" "URLInfoAbout" "http://www.quillmere.example/"
  WriteRegStr HKLM "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\Tarnwell.exe"
  WriteRegStr HKLM "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTKEY}" "NoRepair" 1

  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\Tarnwell.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT} Help.lnk" "$INSTDIR\${PRODUCT}.chm"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk" "$INSTDIR\uninstall.exe"
SectionEnd

Section "Uninstall"
  ; Unregister before the files go; a server that is not there is skipped.
  IfFileExists "$INSTDIR\Loomcraft.dll" 0 +2
    UnRegDLL "$INSTDIR\Loomcraft.dll"
  IfFileExists "$INSTDIR\CorvaneRedmp.dll" 0 +2
    UnRegDLL "$INSTDIR\CorvaneRedmp.dll"

  Delete "$INSTDIR\Tarnwell.exe"
  Delete "$INSTDIR\${PRODUCT}.chm"
  Delete "$INSTDIR\Loomcraft.dll"
  Delete "$INSTDIR\CorvaneRedmp.dll"
  ; The type libraries their registration wrote (unregistering deletes them too).
  Delete "$INSTDIR\Loomcraft.tlb"
  Delete "$INSTDIR\CorvaneRedmp.tlb"
  !insertmacro DeleteFurtherComponents
  ; Written by the program while it shows and saves items.
  Delete "$INSTDIR\QM_Rtf_Body.rtf"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "${IMAGEDIR}\Flash.bmp"
  Delete "${IMAGEDIR}\Browse.bmp"
  Delete "${IMAGEDIR}\AboutUs.bmp"
  Delete "${IMAGEDIR}\Save.bmp"
  RMDir "${IMAGEDIR}"

  DeleteRegValue HKCR "${REGKEY}" "FilePath"
  DeleteRegKey /ifempty HKCR "${REGKEY}"
  DeleteRegKey HKLM "${UNINSTKEY}"
  DeleteRegKey HKCU "${PROFILEKEY}\Tarnwell"
  DeleteRegKey /ifempty HKCU "${PROFILEKEY}"

  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT} Help.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
SectionEnd
