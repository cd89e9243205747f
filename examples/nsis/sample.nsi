; A sample product's installer that ships regcomplete.exe and starts it as its last step.
;
; Build: makensis -DREGCOMPLETE_EXE=/path/to/regcomplete.exe sample.nsi
;        (add -DSTART_AFTER_CLOSE to start it only after the installer's window has gone)
;
; The script is UTF-8 with a byte-order mark, which is how NSIS 3 reads Japanese text in a Unicode
; installer. Windows hands the Unicode command line to regcomplete.exe in the system's ANSI code
; page, so the details arrive as Shift_JIS on a Japanese system.
Unicode true
RequestExecutionLevel user

!include "MUI2.nsh"
!include "remove-quotes.nsh"

!ifndef REGCOMPLETE_EXE
  !error "give the path of the built program: -DREGCOMPLETE_EXE=..."
!endif
!ifndef OUTFILE
  !define OUTFILE "sample-setup.exe"
!endif

Name "サンプル製品"
OutFile "${OUTFILE}"
; A per-user install: the installer, and so the browser it starts in the end, runs with the
; user's own rights.
InstallDir "$LOCALAPPDATA\Programs\Sample Product"

; The registration details. A real installer takes them from its own pages or from the license
; file, as the user typed them; each is passed in double quotes, and so through RemoveQuotes
; (remove-quotes.nsh) first.
Var ProductId
Var UserName
Var Organization
Var SerialNo
Var InstallerWindow

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Function .onInit
  StrCpy $ProductId "SAMPLE-2026"
  ; As a user may type it, quotes and all.
  StrCpy $UserName '"山田" 太郎"'
  StrCpy $Organization "株式会社ｻﾝﾌﾟﾙ"
  StrCpy $SerialNo "1234-5678-9012"
FunctionEnd

; /W gives the installer's window as the dialog's owner; the values with blanks are quoted. A
; silent install (/S) has nobody to answer the dialog: it is not started then.
!macro StartRegistration Window
  !insertmacro RemoveQuotes $ProductId
  !insertmacro RemoveQuotes $UserName
  !insertmacro RemoveQuotes $Organization
  !insertmacro RemoveQuotes $SerialNo
  IfSilent +2
  Exec '"$INSTDIR\regcomplete.exe" /W${Window} /R"$INSTDIR\readme.txt" /P"$ProductId" /U"$UserName" /O"$Organization" /S"$SerialNo"'
!macroend

Section "Sample"
  SetOutPath "$INSTDIR"
  File "/oname=regcomplete.exe" "${REGCOMPLETE_EXE}"
  File "readme.txt"
  StrCpy $InstallerWindow $HWNDPARENT
!ifndef START_AFTER_CLOSE
  ; The last step: the completion dialog opens over the installer's window.
  !insertmacro StartRegistration $InstallerWindow
!endif
SectionEnd

!ifdef START_AFTER_CLOSE
; Started once the installer's window is gone: the handle in /W names no window any more, and the
; dialog must still appear, without an owner.
Function .onGUIEnd
  !insertmacro StartRegistration $InstallerWindow
FunctionEnd
!endif
