// The facts regcomplete-check takes from the platform it runs on, one file each:
// check_win32.cpp reads what the program itself would read (the raw command line, the system's
// code page and byte classes, the registry, its own path, System32 and the token);
// check_host.cpp stands in for Windows with what a Linux terminal gives and fixed defaults.
// Everything the tool decides from them is in check_main.cpp, the same on both.
#pragma once

#include <stddef.h>

#include "codepage/char_class.h"
#include "launch/launch_plan.h"
#include "options/options.h"
#include "options/wide_options.h"

constexpr char kNoSeparator[] = "missing -- before the command-line tail";

// Readies the process before it reads anything: on Windows, DLLs from System32 only.
void StartCheckProcess();

// Makes stdout write the bytes it is given, where Windows would put a CR before each LF.
void WriteStdoutAsBytes();

// The code page the tail is read in unless --codepage names one: the system's ANSI code page on
// Windows, 932 on the host.
unsigned SystemCodePage();

// The byte classes of `code_page` as the program takes them: with the lead-byte ranges Windows
// reports for it; on the host, the fixed ones alone.
void SetUpSystemClasses(unsigned code_page, CharClass* classes);

// Where the tail after "--" is and how it was typed.
struct TailSource {
    int argc;
    char** argv;
    int separator;  // index of "--" in argv
    bool utf8;      // --utf8: typed as text, to be converted to `code_page`
    unsigned code_page;
};

// The tail after "--" in the code page: on the host the one argument after it; on Windows
// everything after " -- " on the raw command line, so that quotes arrive exactly as an installer
// writes them (under --utf8, from the UTF-16 line: the text as typed, not as the system's code
// page could hold it). A converted tail goes into `out`. Null, with `*problem` set, when there is
// none or it cannot be converted.
const char* TailAfterDoubleDash(const TailSource& source, const CharClass& classes, char* out,
                                size_t out_size, const char** problem);

// The UTF-16 reading as the program makes it, from the UTF-16 command line, with the details that
// `code_page` cannot hold left out of `options`. False when there is no such line to read under
// `code_page` (on the host, and on Windows under another code page than the system's).
bool ReadWideAsTheProgram(unsigned code_page, RegistrationOptions* options, WideOptions* wide);

// What the platform says of the browsers for https and http addresses, and the file type whose
// ".htm" command it read (or null). The host has no browser and no default for web addresses,
// and its System32 is C:\Windows\system32.
void ReadSystemBrowserFacts(BrowserFacts* ssl, BrowserFacts* plain, const char16_t** file_type);

// The tool's own path, or null when the platform cannot give it (always on the host).
const char16_t* SystemModulePath();

// The window station, the session, the token and who runs the desktop's shell. On the host, a
// visible station in session 1, not elevated, and the shell never runs as this user.
SessionFacts ReadSystemSession();

// An argument's text (a template or a path) as UTF-16 into `out`: the ANSI code page's on
// Windows, which is what its command line arrives in, UTF-8 on the host. False, with `out`
// empty, when it does not fit.
bool DecodeArgument(const char* value, char16_t* out, size_t out_size);

// Argument `index` of the command line as UTF-16 into `out`: on Windows from the Unicode command
// line, so that a vendor's name arrives whole under any code page; UTF-8 on the host. False, with
// `out` empty, when it does not fit.
bool WideArgument(char** argv, int index, char16_t* out, size_t out_size);

// Whether the two paths name one file (the second may not exist yet).
bool SameFile(const char* first, const char* second);
