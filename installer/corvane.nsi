; Corvane setup. Finds the Photoshop-compatible hosts from the registry, offers each plug-in
; folder as a check box and copies the module of that host's bitness into a Corvane sub-folder
; of it. A 32-bit program, so that one setup runs on 32- and 64-bit Windows (on ARM64 Windows
; under emulation); on 64-bit Windows it reads both registry views and turns file-system
; redirection off around the target folders. A 64-bit host whose program is an ARM64 executable
; (by the machine field of its PE header) gets the ARM64 module.
;
; Built by scripts/package:
;   makensis -DVERSION=1.5.0.1 -DDIST=<folder with x86\, x64\ and arm64\> -DOUTFILE=<setup.exe> corvane.nsi
; -DASSUME_ARM64_WINDOWS makes a copy for the tests that behaves as on ARM64 Windows.
;
; Command line: /S installs silently into every host found. /X64=<folder>[;<folder>...],
; /ARM64=<folder>[;<folder>...] and /X86=<folder>[;<folder>...] name more folders for x64, ARM64
; and 32-bit hosts; they must exist.
; Exit code: 0 everything installed, 1 a folder could not be written or a named folder does not
; exist (the others are still installed), 2 there was nowhere to install.

Unicode true
!ifndef VERSION | DIST | OUTFILE
  !error "define VERSION, DIST and OUTFILE"
!endif

!define KEY_UNINSTALL "Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvane"

Name "Corvane ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES\Corvane"
SetCompressor /SOLID lzma
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Corvane"
VIAddVersionKey /LANG=1033 "FileDescription" "Corvane setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "The Corvane project"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 the Corvane project"

!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include nsDialogs.nsh
!include MUI2.nsh

; The targets live in an INI file in the plug-ins folder, one section per folder:
;   [n] bits=x64|arm64|x86|both64  folder=<plug-in folder>  host=<name>  use=1|0  box=<check box window>
; both64: the x64 and the ARM64 module, each in a sub-folder of its own (the shared Photoshop
; folder on ARM64 Windows, where native and emulated Photoshop each load the one they can).
Var Targets
Var Count
Var Failed
Var FailedList
Var Installed
Var LogFile
Var Record
Var Picked
Var PickedBits
Var PickedBox
Var ArmBox
Var Dialog
Var Tmp

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
Page custom HostsPage HostsPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Appends a line to the setup log (in the plug-ins folder until the install copies it) and to
; the details list.
!macro Log TEXT
  Push `${TEXT}`
  Call Log
!macroend
Function Log
  Exch $0
  Push $1
  DetailPrint $0
  ClearErrors
  FileOpen $1 $LogFile a
  ${IfNot} ${Errors}
    FileSeek $1 0 END
    FileWriteUTF16LE $1 "$0$\r$\n"
    FileClose $1
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; Drops the line end FileRead keeps.
!macro Chomp VAR
  ${Do}
    StrCpy $Tmp ${VAR} 1 -1
    ${If} $Tmp == "$\r"
    ${OrIf} $Tmp == "$\n"
      StrCpy ${VAR} ${VAR} -1
    ${Else}
      ${ExitDo}
    ${EndIf}
  ${Loop}
!macroend

; $R0 becomes arm64 when the program $R8 is an ARM64 executable: the machine field of its PE
; header. A program that is missing or not a PE file leaves $R0 as it was.
Function ProgramMachine
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  ${DisableX64FSRedirection}
  ClearErrors
  FileOpen $0 $R8 r
  ${IfNot} ${Errors}
    ; e_lfanew at 0x3C, little-endian; then "PE\0\0" and the machine.
    FileSeek $0 0x3C SET
    StrCpy $1 0
    StrCpy $3 0
    ${DoWhile} $3 < 4
      FileReadByte $0 $2
      IntOp $4 $3 * 8
      IntOp $2 $2 << $4
      IntOp $1 $1 | $2
      IntOp $3 $3 + 1
    ${Loop}
    FileSeek $0 $1 SET
    FileReadByte $0 $2
    FileReadByte $0 $3
    ${If} $2 == 80   ; P
    ${AndIf} $3 == 69  ; E
      FileReadByte $0 $2
      FileReadByte $0 $3
      FileReadByte $0 $2
      FileReadByte $0 $3
      ${IfNot} ${Errors}
        IntOp $3 $3 << 8
        IntOp $2 $2 | $3
        ${If} $2 = 0xAA64
          StrCpy $R0 arm64
        ${EndIf}
      ${EndIf}
    ${EndIf}
    FileClose $0
  ${EndIf}
  ${EnableX64FSRedirection}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Adds the folder $R1 of host $R2 with bitness $R0. $R3 is 1 for a folder the user named, which
; must exist; a registry value that points nowhere is only logged.
Function AddTarget
  Push $0
  Push $1
  ExpandEnvStrings $R1 $R1
  ; Trailing separators would defeat the comparison below and double up in the target path.
  ${Do}
    StrCpy $0 $R1 1 -1
    StrLen $1 $R1
    ${If} $0 != "\"
    ${OrIf} $1 <= 3
      ${ExitDo}
    ${EndIf}
    StrCpy $R1 $R1 -1
  ${Loop}
  ${If} $R1 == ""
    Goto done
  ${EndIf}
  ${IfNot} ${FileExists} "$R1\*.*"
    ${If} $R3 == 1
      IntOp $Failed $Failed + 1
      StrCpy $FailedList "$FailedList$\r$\n$R1 (does not exist)"
      !insertmacro Log "error: the folder $R1 does not exist"
    ${Else}
      !insertmacro Log "skipped $R2: its plug-in folder $R1 does not exist"
    ${EndIf}
    Goto done
  ${EndIf}
  ; One folder gets one module: the first bitness found for it wins (the 64-bit view is read
  ; first), so no folder ever holds both. StrCmp ignores case, as Windows paths do.
  StrCpy $0 1
  ${DoWhile} $0 <= $Count
    ReadINIStr $1 $Targets $0 folder
    ${If} $1 == $R1
      !insertmacro Log "$R2 ($R0) uses $R1, already listed"
      Goto done
    ${EndIf}
    IntOp $0 $0 + 1
  ${Loop}
  IntOp $Count $Count + 1
  WriteINIStr $Targets $Count bits $R0
  WriteINIStr $Targets $Count folder $R1
  WriteINIStr $Targets $Count host $R2
  WriteINIStr $Targets $Count use 1
  !insertmacro Log "found $R2 ($R0): $R1"
done:
  Pop $1
  Pop $0
FunctionEnd

; Every <version> key below ROOT\KEY, the value VALUE of <version>SUBKEY. PROGRAM, when not
; empty, is the host's program in the folder named by the value ApplicationPath of <version>,
; whose machine decides between the x64 and the ARM64 module.
!macro ProbeVersions ROOT KEY SUBKEY VALUE HOST BITS PROGRAM
  StrCpy $R4 0
  ${Do}
    ClearErrors
    EnumRegKey $R5 ${ROOT} "${KEY}" $R4
    ${If} ${Errors}
    ${OrIf} $R5 == ""
      ${ExitDo}
    ${EndIf}
    ReadRegStr $R1 ${ROOT} "${KEY}\$R5${SUBKEY}" "${VALUE}"
    StrCpy $R0 ${BITS}
    !if "${PROGRAM}" != ""
      ${If} $R0 == x64
        ; The program's folder, or the program itself.
        ReadRegStr $R8 ${ROOT} "${KEY}\$R5" "ApplicationPath"
        ${If} $R8 != ""
          StrCpy $R9 $R8 4 -4
          ${If} $R9 != ".exe"
            StrCpy $R9 $R8 1 -1
            ${IfThen} $R9 != "\" ${|} StrCpy $R8 "$R8\" ${|}
            StrCpy $R8 "$R8${PROGRAM}"
          ${EndIf}
          Call ProgramMachine
        ${EndIf}
      ${EndIf}
    !endif
    StrCpy $R2 "${HOST} $R5"
    StrCpy $R3 0
    Call AddTarget
    IntOp $R4 $R4 + 1
  ${Loop}
!macroend

; The hosts of one registry view; BITS is the bitness of the programs that view belongs to.
!macro ProbeView BITS
  !insertmacro ProbeVersions HKLM "Software\Adobe\Photoshop" "" "PluginPath" "Photoshop" ${BITS} "Photoshop.exe"
  !insertmacro ProbeVersions HKLM "Software\Adobe\Photoshop Elements" "\PluginPath" "" "Photoshop Elements" ${BITS} ""
  !insertmacro ProbeVersions HKCU "Software\Corel\PaintShop Pro" "\FileLocations\PlugIns\0" "Dir" "PaintShop Pro" ${BITS} ""
  ReadRegStr $R1 HKCU "Software\Computerinsel\PhotoLine\Settings" "PlugInPathNew1"
  StrCpy $R0 ${BITS}
  StrCpy $R2 "PhotoLine"
  StrCpy $R3 0
  Call AddTarget
!macroend

; Folders named on the command line: OPTION=<folder>[;<folder>...]
!macro NamedFolders OPTION BITS
  ${GetParameters} $R6
  ClearErrors
  ${GetOptions} $R6 "${OPTION}" $R6
  ${IfNot} ${Errors}
    StrCpy $R7 1
    ${Do}
      ${WordFind} $R6 ";" "E+$R7" $R1
      ${If} ${Errors}
        ; No ";" at all: the whole option is one folder.
        ${If} $R7 == 1
          StrCpy $R1 $R6
        ${Else}
          ${ExitDo}
        ${EndIf}
      ${EndIf}
      StrCpy $R0 ${BITS}
      StrCpy $R2 "named folder"
      StrCpy $R3 1
      Call AddTarget
      ${IfThen} $R1 == $R6 ${|} ${ExitDo} ${|}
      IntOp $R7 $R7 + 1
    ${Loop}
  ${EndIf}
!macroend

; Pushes 1 on ARM64 Windows, else 0.
Function IsArm64Windows
  !ifdef ASSUME_ARM64_WINDOWS
    Push 1
  !else
    ${If} ${IsNativeARM64}
      Push 1
    ${Else}
      Push 0
    ${EndIf}
  !endif
FunctionEnd

Function .onInit
  InitPluginsDir
  StrCpy $Targets "$PLUGINSDIR\targets.ini"
  StrCpy $LogFile "$PLUGINSDIR\setup.log"
  StrCpy $Count 0
  StrCpy $Failed 0
  StrCpy $Installed 0
  StrCpy $PickedBits x86
  ${If} ${RunningX64}
    StrCpy $PickedBits x64
    SetRegView 64
    !insertmacro ProbeView x64
    StrCpy $R1 "$COMMONFILES64\Adobe\Plug-Ins\CC"
    StrCpy $R2 "Photoshop (shared plug-in folder)"
    StrCpy $R0 x64
    Call IsArm64Windows
    Pop $0
    ${IfThen} $0 == 1 ${|} StrCpy $R0 both64 ${|}
    StrCpy $R3 0
    ${If} ${FileExists} "$R1\*.*"
      Call AddTarget
    ${EndIf}
    SetRegView 32
  ${EndIf}
  !insertmacro ProbeView x86
  SetRegView default
  ${If} ${RunningX64}
    !insertmacro NamedFolders "/X64=" x64
    !insertmacro NamedFolders "/ARM64=" arm64
  ${EndIf}
  !insertmacro NamedFolders "/X86=" x86
FunctionEnd

Function HostsPage
  !insertmacro MUI_HEADER_TEXT "Hosts" "Choose the plug-in folders Corvane goes into."
  nsDialogs::Create 1018
  Pop $Dialog
  ${If} $Count == 0
    ${NSD_CreateLabel} 0 0 100% 24u "No host was found in the registry. Pick the plug-in folder of your host below."
  ${Else}
    ${NSD_CreateLabel} 0 0 100% 16u "Each checked folder gets the module that matches the host, in a Corvane sub-folder."
  ${EndIf}
  Pop $0
  StrCpy $1 1
  StrCpy $2 18
  ${DoWhile} $1 <= $Count
    ReadINIStr $3 $Targets $1 host
    ReadINIStr $4 $Targets $1 bits
    ReadINIStr $5 $Targets $1 folder
    ${NSD_CreateCheckbox} 0 $2u 100% 11u "$3 ($4): $5"
    Pop $6
    ReadINIStr $7 $Targets $1 use
    ${If} $7 == 1
      ${NSD_Check} $6
    ${EndIf}
    WriteINIStr $Targets $1 box $6
    IntOp $1 $1 + 1
    IntOp $2 $2 + 12
  ${Loop}
  ; For hosts that keep their folder list in their own settings.
  IntOp $2 $2 + 6
  ${NSD_CreateLabel} 0 $2u 100% 10u "Another folder (optional), for a host that keeps its plug-in folders in its own settings:"
  Pop $0
  IntOp $2 $2 + 12
  ${NSD_CreateDirRequest} 0 $2u 75% 12u $Picked
  Pop $PickedBox
  ${NSD_CreateBrowseButton} 77% $2u 23% 12u "Browse..."
  Pop $0
  ${NSD_OnClick} $0 BrowsePicked
  IntOp $2 $2 + 15
  ${NSD_CreateRadioButton} 0 $2u 32% 11u "for a 64-bit host"
  Pop $R8
  ${NSD_CreateRadioButton} 33% $2u 32% 11u "for an ARM64 host"
  Pop $ArmBox
  ${NSD_CreateRadioButton} 66% $2u 32% 11u "for a 32-bit host"
  Pop $R9
  ${If} $PickedBits == x64
    ${NSD_Check} $R8
  ${ElseIf} $PickedBits == arm64
    ${NSD_Check} $ArmBox
  ${Else}
    ${NSD_Check} $R9
  ${EndIf}
  ${IfNot} ${RunningX64}
    EnableWindow $R8 0
    EnableWindow $ArmBox 0
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function BrowsePicked
  Pop $0
  ${NSD_GetText} $PickedBox $1
  nsDialogs::SelectFolderDialog "Plug-in folder" $1
  Pop $1
  ${If} $1 != error
    ${NSD_SetText} $PickedBox $1
  ${EndIf}
FunctionEnd

Function HostsPageLeave
  StrCpy $1 1
  StrCpy $2 0
  ${DoWhile} $1 <= $Count
    ReadINIStr $3 $Targets $1 box
    ${NSD_GetState} $3 $4
    ${If} $4 == ${BST_CHECKED}
      WriteINIStr $Targets $1 use 1
      IntOp $2 $2 + 1
    ${Else}
      WriteINIStr $Targets $1 use 0
    ${EndIf}
    IntOp $1 $1 + 1
  ${Loop}
  ${NSD_GetText} $PickedBox $Picked
  ${NSD_GetState} $R8 $4
  StrCpy $PickedBits x86
  ${IfThen} $4 == ${BST_CHECKED} ${|} StrCpy $PickedBits x64 ${|}
  ${NSD_GetState} $ArmBox $4
  ${IfThen} $4 == ${BST_CHECKED} ${|} StrCpy $PickedBits arm64 ${|}
  ${If} $Picked != ""
    ${IfNot} ${FileExists} "$Picked\*.*"
      MessageBox MB_ICONEXCLAMATION "The folder $Picked does not exist."
      Abort
    ${EndIf}
    StrCpy $R0 $PickedBits
    StrCpy $R1 $Picked
    StrCpy $R2 "chosen folder"
    StrCpy $R3 1
    Call AddTarget
    ; Picking a folder that is listed already checks it.
    StrCpy $1 1
    ${DoWhile} $1 <= $Count
      ReadINIStr $3 $Targets $1 folder
      ${If} $3 == $R1
        WriteINIStr $Targets $1 use 1
        IntOp $2 $2 + 1
      ${EndIf}
      IntOp $1 $1 + 1
    ${Loop}
    StrCpy $Picked ""
  ${EndIf}
  ${If} $2 == 0
    MessageBox MB_ICONEXCLAMATION "Check a folder or pick one."
    Abort
  ${EndIf}
FunctionEnd

; $R6 becomes 1 when line $0 is in the record of installed files, else 0.
Function InRecord
  Push $1
  Push $2
  StrCpy $R6 0
  ClearErrors
  FileOpen $1 $Record r
  ${IfNot} ${Errors}
    ${Do}
      ClearErrors
      FileReadUTF16LE $1 $2
      ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
      !insertmacro Chomp $2
      ${If} $2 == $0
        StrCpy $R6 1
        ${ExitDo}
      ${EndIf}
    ${Loop}
    FileClose $1
  ${EndIf}
  Pop $2
  Pop $1
FunctionEnd

; Adds line $0 to the record of installed files unless it is there already, so that installing
; again keeps one entry per file and the uninstaller still knows earlier installs.
Function RecordLine
  Push $1
  Call InRecord
  ${If} $R6 == 0
    FileOpen $1 $Record a
    FileSeek $1 0 END
    FileWriteUTF16LE $1 "$0$\r$\n"
    FileClose $1
  ${EndIf}
  Pop $1
FunctionEnd

; Makes the folder $6 unless it exists; $7 is 1 when it was made here.
Function MakeFolder
  StrCpy $7 0
  ${DisableX64FSRedirection}
  ${IfNot} ${FileExists} "$6\*.*"
    ClearErrors
    CreateDirectory $6
    ${IfNot} ${Errors}
      StrCpy $7 1
    ${EndIf}
  ${EndIf}
  ${EnableX64FSRedirection}
FunctionEnd

; Copies the $R0 module into the folder $R1 for host $5, and records what it made.
Function InstallModule
  StrCpy $6 $R1
  Call MakeFolder
  ${DisableX64FSRedirection}
  System::Call 'kernel32::CopyFileW(w "$PLUGINSDIR\$R0.8bf", w "$R1\Corvane.8bf", i 0) i .r8 ?e'
  Pop $9
  ${EnableX64FSRedirection}
  ${If} $7 == 1
    StrCpy $0 "D $R1"
    Call RecordLine
  ${EndIf}
  ${If} $8 != 0
    StrCpy $0 "F $R1\Corvane.8bf"
    Call RecordLine
    IntOp $Installed $Installed + 1
    !insertmacro Log "installed $R0 module for $5: $R1\Corvane.8bf"
  ${Else}
    IntOp $Failed $Failed + 1
    StrCpy $FailedList "$FailedList$\r$\n$R1\Corvane.8bf (error $9)"
    !insertmacro Log "error: could not write $R1\Corvane.8bf for $5 (error $9)"
  ${EndIf}
FunctionEnd

Section "-Corvane"
  SetOutPath $INSTDIR
  StrCpy $Record "$INSTDIR\installed.txt"
  File "/oname=$PLUGINSDIR\x64.8bf" "${DIST}\x64\Corvane.8bf"
  File "/oname=$PLUGINSDIR\x86.8bf" "${DIST}\x86\Corvane.8bf"
  File "/oname=$PLUGINSDIR\arm64.8bf" "${DIST}\arm64\Corvane.8bf"
  StrCpy $1 1
  ${DoWhile} $1 <= $Count
    ReadINIStr $2 $Targets $1 use
    ReadINIStr $3 $Targets $1 folder
    ReadINIStr $4 $Targets $1 bits
    ReadINIStr $5 $Targets $1 host
    ${If} $2 == 1
    ${AndIf} $4 == both64
      StrCpy $6 "$3\Corvane"
      Call MakeFolder
      StrCpy $R4 $7
      ; A module an earlier setup put straight into the folder would load beside the new x64 one.
      StrCpy $0 "F $3\Corvane\Corvane.8bf"
      Call InRecord
      ${If} $R6 == 1
        ${DisableX64FSRedirection}
        Delete "$3\Corvane\Corvane.8bf"
        ${EnableX64FSRedirection}
      ${EndIf}
      StrCpy $R0 x64
      StrCpy $R1 "$3\Corvane\x64"
      Call InstallModule
      StrCpy $R0 arm64
      StrCpy $R1 "$3\Corvane\arm64"
      Call InstallModule
      ; After its sub-folders, so that the uninstaller empties it first.
      ${If} $R4 == 1
        StrCpy $0 "D $3\Corvane"
        Call RecordLine
      ${EndIf}
    ${ElseIf} $2 == 1
      StrCpy $R0 $4
      StrCpy $R1 "$3\Corvane"
      Call InstallModule
    ${EndIf}
    IntOp $1 $1 + 1
  ${Loop}

  ${If} ${FileExists} $Record
    WriteUninstaller "$INSTDIR\uninstall.exe"
    ; The uninstall entry goes into the view Add/Remove Programs lists for the system.
    ${If} ${RunningX64}
      SetRegView 64
    ${EndIf}
    WriteRegStr HKLM "${KEY_UNINSTALL}" "DisplayName" "Corvane filter plug-in"
    WriteRegStr HKLM "${KEY_UNINSTALL}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${KEY_UNINSTALL}" "Publisher" "The Corvane project"
    WriteRegStr HKLM "${KEY_UNINSTALL}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${KEY_UNINSTALL}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${KEY_UNINSTALL}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${KEY_UNINSTALL}" "NoModify" 1
    WriteRegDWORD HKLM "${KEY_UNINSTALL}" "NoRepair" 1
    ; Size in KiB of every recorded module plus the uninstaller.
    StrCpy $6 0
    FileOpen $1 $Record r
    ${Do}
      ClearErrors
      FileReadUTF16LE $1 $2
      ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
      !insertmacro Chomp $2
      StrCpy $3 $2 2
      ${If} $3 == "F "
        StrCpy $2 $2 "" 2
        ${DisableX64FSRedirection}
        ClearErrors
        FileOpen $4 $2 r
        ${IfNot} ${Errors}
          FileSeek $4 0 END $5
          FileClose $4
          IntOp $6 $6 + $5
        ${EndIf}
        ${EnableX64FSRedirection}
      ${EndIf}
    ${Loop}
    FileClose $1
    FileOpen $4 "$INSTDIR\uninstall.exe" r
    FileSeek $4 0 END $5
    FileClose $4
    IntOp $6 $6 + $5
    IntOp $6 $6 + 1023
    IntOp $6 $6 / 1024
    WriteRegDWORD HKLM "${KEY_UNINSTALL}" "EstimatedSize" $6
    SetRegView lastused
  ${EndIf}

  ${If} $Installed == 0
  ${AndIf} $Failed == 0
    !insertmacro Log "error: no host was found and no folder was named"
  ${EndIf}
  !insertmacro Log "$Installed folder(s) installed, $Failed failed"
  CopyFiles /SILENT "$LogFile" "$INSTDIR\setup.log"
  ${If} ${FileExists} $Record
  ${Else}
    ; Nothing installed now or before: leave no empty program folder behind.
    Delete "$INSTDIR\setup.log"
    SetOutPath $TEMP
    RMDir $INSTDIR
  ${EndIf}
  ${If} $Failed != 0
    MessageBox MB_ICONEXCLAMATION "These could not be installed; the other folders were:$FailedList" /SD IDOK
    SetErrorLevel 1
  ${ElseIf} $Installed == 0
    MessageBox MB_ICONEXCLAMATION "Nothing was installed: no host was found and no folder was chosen." /SD IDOK
    SetErrorLevel 2
  ${EndIf}
SectionEnd

; Removes the recorded modules, then the recorded sub-folders if they are empty (twice, since a
; folder may be recorded before the sub-folders a later install made in it); any other file in
; those folders stays.
Section "Uninstall"
  StrCpy $Failed 0
  StrCpy $Record "$INSTDIR\installed.txt"
  ${DisableX64FSRedirection}
  ${ForEach} $R0 1 3 + 1
    ClearErrors
    FileOpen $1 $Record r
    ${If} ${Errors}
      ${ExitFor}
    ${EndIf}
    ${Do}
      ClearErrors
      FileReadUTF16LE $1 $2
      ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
      !insertmacro Chomp $2
      StrCpy $3 $2 2
      StrCpy $2 $2 "" 2
      ${If} $R0 == 1
      ${AndIf} $3 == "F "
        Delete $2
        ${If} ${FileExists} $2
          IntOp $Failed $Failed + 1
          DetailPrint "could not remove $2"
        ${EndIf}
      ${ElseIf} $R0 >= 2
      ${AndIf} $3 == "D "
        RMDir $2
      ${EndIf}
    ${Loop}
    FileClose $1
  ${Next}
  ${EnableX64FSRedirection}
  ${If} $Failed == 0
    Delete $Record
    Delete "$INSTDIR\setup.log"
    Delete "$INSTDIR\uninstall.exe"
    RMDir $INSTDIR
    ${If} ${RunningX64}
      SetRegView 64
    ${EndIf}
    DeleteRegKey HKLM "${KEY_UNINSTALL}"
  ${Else}
    ; Keep the record and the entry so that the uninstall can be run again.
    MessageBox MB_ICONEXCLAMATION "$Failed file(s) could not be removed; close the hosts and uninstall again." /SD IDOK
    SetErrorLevel 1
  ${EndIf}
SectionEnd
