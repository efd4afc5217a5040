; KestroVox 1.30 for Windows: a per-user installer that needs no administrator
; rights. Built by packaging/windows/build.sh, which passes EXE_DIR (holding
; KestroVox.exe and ringin.wav) and OUTFILE. Both setup and uninstaller take /S.
Unicode true
Target amd64-unicode
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

!define VERSION "1.30"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KestroVox"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; ui/settings.cpp: "Software\Kestrovox" (settings) and "Software\KestroVox"
; (window position) are one key, registry names being case-insensitive.
!define SETTINGS_KEY "Software\Kestrovox"
!define IDM_CLOSE 101  ; resources/resource.h: the tray menu's "&Close"
!define CLOSE_WAIT_MS 15000

Name "KestroVox ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\KestroVox"
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
SetCompressor /SOLID lzma
BrandingText "KestroVox ${VERSION}"
!pragma warning disable 9100  ; no LegalCopyright key
VIProductVersion "1.30.0.0"
VIAddVersionKey "ProductName" "KestroVox"
VIAddVersionKey "CompanyName" "KestroVox"
VIAddVersionKey "FileDescription" "KestroVox ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"

!define MUI_ICON "${__FILEDIR__}/../../resources/kestrovox.ico"
!define MUI_UNICON "${__FILEDIR__}/../../resources/kestrovox.ico"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\KestroVox.exe"  ; started in $OUTDIR, the install folder
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Ends a running copy the way its tray menu does: "&Close" destroys the main
; window (class "KestroVox", app/main_window.cpp) and the program shuts its
; engine down and exits. WM_CLOSE would only hide it to the tray. Waits for
; the process itself, which holds KestroVox.exe open until it has ended.
; Interactive: asks the user when it does not end; silent: fails with code 2.
!macro CLOSE_KESTROVOX UN
Function ${UN}CloseKestroVox
  retry:
  FindWindow $0 "KestroVox"  ; by class alone, so that an older version's window is found too
  StrCmp $0 0 done
  DetailPrint "Closing the running KestroVox..."
  System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
  System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2'  ; SYNCHRONIZE
  SendMessage $0 ${WM_COMMAND} ${IDM_CLOSE} 0 /TIMEOUT=5000
  ${If} $2 != 0
    System::Call 'kernel32::WaitForSingleObject(p r2, i ${CLOSE_WAIT_MS}) i .r3'  ; 0: it has ended
    System::Call 'kernel32::CloseHandle(p r2)'
  ${Else}  ; no handle to the process: wait for its window alone
    StrCpy $1 0
    ${Do}
      FindWindow $3 "KestroVox"
      ${IfThen} $3 == 0 ${|} ${ExitDo} ${|}
      Sleep 250
      IntOp $1 $1 + 250
    ${LoopWhile} $1 < ${CLOSE_WAIT_MS}
  ${EndIf}
  StrCmp $3 0 done
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "KestroVox is still running.$\n$\nEnd it (tray icon, Close) and press Retry, or press Cancel to stop." /SD IDCANCEL IDRETRY retry
  SetErrorLevel 2
  Abort "KestroVox is still running."
  done:
FunctionEnd
!macroend
!insertmacro CLOSE_KESTROVOX ""
!insertmacro CLOSE_KESTROVOX "un."

Section "KestroVox (required)" SecMain
  SectionIn RO
  Call CloseKestroVox
  SetOutPath "$INSTDIR"
  ClearErrors
  File "${EXE_DIR}/KestroVox.exe"
  File "${EXE_DIR}/ringin.wav"  ; looked up from the current directory when a call rings
  File "${EXE_DIR}/LICENSES.txt"  ; our licence and those of the libraries built into the program
  ${If} ${Errors}
    SetErrorLevel 2
    Abort "Could not write the program files into $INSTDIR."
  ${EndIf}
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\KestroVox.lnk" "$INSTDIR\KestroVox.exe" "" "$INSTDIR\KestroVox.exe" 0 \
    SW_SHOWNORMAL "" "KestroVox internet telephone"  ; working directory: $OUTDIR
  DeleteRegValue HKCU "${RUN_KEY}" "KestroVox"  ; written again below if still wanted

  WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "KestroVox"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "KestroVox"
  WriteRegStr HKCU "${UNINST_KEY}" "URLInfoAbout" "https://kestrovox.org"
  WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\KestroVox.exe,0"
  WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

Section "Start KestroVox when I log on" SecRun
  WriteRegStr HKCU "${RUN_KEY}" "KestroVox" '"$INSTDIR\KestroVox.exe"'
SectionEnd

Section "un.KestroVox (required)"
  SectionIn RO
  Call un.CloseKestroVox
  Delete "$INSTDIR\KestroVox.exe"
  Delete "$INSTDIR\ringin.wav"
  Delete "$INSTDIR\LICENSES.txt"
  Delete "$INSTDIR\uninstall.exe"
  Delete "$SMPROGRAMS\KestroVox.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "KestroVox"
SectionEnd

; Off by default, and so never in silent mode: the settings and the event log stay.
Section /o "un.Remove my settings and the event log"
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  Delete "$INSTDIR\KestroVox.log"
SectionEnd

Section "-un.Unregister"
  DeleteRegKey HKCU "${UNINST_KEY}"
  RMDir "$INSTDIR"  ; stays while the kept event log is in it
SectionEnd
