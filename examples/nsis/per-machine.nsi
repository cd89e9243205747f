; A sample product's installer that installs for every user of the machine, into Program Files,
; and so runs as administrator. It starts regcomplete.exe with a plain Exec, which passes on the
; administrator's rights: the program then hands the browser and Notepad to the desktop's shell,
; which starts them as the person at the desktop, never elevated.
;
; Build: makensis -DREGCOMPLETE_EXE=/path/to/regcomplete.exe per-machine.nsi
;
; UTF-8 with a byte-order mark, as sample.nsi, whose comments say more about the details; every
; detail goes through RemoveQuotes (remove-quotes.nsh), as there.
Unicode true
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "remove-quotes.nsh"

!ifndef REGCOMPLETE_EXE
  !error "give the path of the built program: -DREGCOMPLETE_EXE=..."
!endif
!ifndef OUTFILE
  !define OUTFILE "sample-per-machine-setup.exe"
!endif

Name "サンプル製品"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Sample Product"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Var ProductId
Var UserName
Var Organization
Var SerialNo

Function .onInit
  StrCpy $ProductId "SAMPLE-2026"
  StrCpy $UserName "山田 太郎"
  StrCpy $Organization "株式会社ｻﾝﾌﾟﾙ"
  StrCpy $SerialNo "1234-5678-9012"
FunctionEnd

Section "Sample"
  SetOutPath "$INSTDIR"
  File "/oname=regcomplete.exe" "${REGCOMPLETE_EXE}"
  File "readme.txt"
  !insertmacro RemoveQuotes $ProductId
  !insertmacro RemoveQuotes $UserName
  !insertmacro RemoveQuotes $Organization
  !insertmacro RemoveQuotes $SerialNo
  ; The last step, unless the install is silent: the completion dialog over the installer's window.
  IfSilent +2
  Exec '"$INSTDIR\regcomplete.exe" /W$HWNDPARENT /R"$INSTDIR\readme.txt" /P"$ProductId" /U"$UserName" /O"$Organization" /S"$SerialNo"'
SectionEnd
