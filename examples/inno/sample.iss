; A sample product's Inno Setup installer that ships regcomplete.exe and starts it from the last
; page, with the details the user typed on the user-information page.
;
; Build: ISCC.exe /DRegcompleteExe=C:\path\to\regcomplete.exe sample.iss
;
; The script is UTF-8 with a byte-order mark, which is how Inno Setup reads Japanese text. Setup
; starts the program with a Unicode command line; Windows hands it to regcomplete.exe in the
; system's ANSI code page, so the details arrive as Shift_JIS on a Japanese system.

#ifndef RegcompleteExe
  #error give the path of the built program: /DRegcompleteExe=...
#endif

[Setup]
AppId=RegcompleteSample
AppName=サンプル製品
AppVersion=2026
; A per-user install: Setup, and so the browser the program starts in the end, runs with the
; user's own rights.
PrivilegesRequired=lowest
; The per-user programs folder. {autopf} names the same folder on Windows, but Wine cannot expand
; it, and the tests run this installer under Wine.
DefaultDirName={localappdata}\Programs\Sample Product
DisableProgramGroupPage=yes
UserInfoPage=yes
; Windows treats a program named setup.exe as an installer of its own (compatibility shims).
OutputBaseFilename=sample-inno-setup

[Languages]
Name: "ja"; MessagesFile: "compiler:Languages\Japanese.isl"

[Files]
Source: "{#RegcompleteExe}"; DestDir: "{app}"; DestName: "regcomplete.exe"
Source: "readme.txt"; DestDir: "{app}"

; The last step, a ticked box on the last page: the completion dialog opens over the wizard. The
; details are what the user typed, each passed in double quotes ("" inside an Inno Setup string)
; and so through Unquoted (below), since a quote typed would end the value early. A silent install
; (/SILENT, /VERYSILENT) has nobody to answer the dialog: skipifsilent leaves it out then.
[Run]
Filename: "{app}\regcomplete.exe"; \
  Parameters: "/W{wizardhwnd} /R""{app}\readme.txt"" /P""SAMPLE-2026"" /U""{code:Unquoted|userinfoname}"" /O""{code:Unquoted|userinfoorg}"" /S""{code:Unquoted|userinfoserial}"""; \
  Flags: postinstall nowait runasoriginaluser skipifsilent

[Code]
// The user-information page shows its serial number box only when the script checks serials. A
// silent install has nobody to type one, and must not be refused for that.
function CheckSerial(Serial: String): Boolean;
begin
  Result := WizardSilent or (Serial <> '');
end;

// The constant that Param names ("userinfoname" for {userinfoname}), without its double quotes:
// regcomplete reads a quote as the end of the value, and what follows it as further options.
// Nothing else is changed.
function Unquoted(Param: String): String;
begin
  Result := ExpandConstant('{' + Param + '}');
  StringChangeEx(Result, '"', '', True);
end;
