// The command lines of the two outside programs: the browser that opens ".htm" files, put on a
// registration address, and Notepad on the readme; and which of the registry's ".htm" commands
// is the browser's.
//
// Everything here is pure and UTF-16, as the registry, the module path and CreateProcessW have
// it: the command template and the program's own path are read by the Win32 half
// (launch_win32.h) and passed in, so every unit of both command lines can be checked without
// Windows. The buffers are sized so that nothing that can reach them is ever cut: a command that
// still does not fit is not composed at all, and the caller starts nothing.
#pragma once

#include <stddef.h>

#include "request/registration_url.h"

// A string value read from the registry, including its terminating zero.
constexpr size_t kRegistryValueSize = 260;
// An open command after its environment variables are expanded (REG_EXPAND_SZ), with the zero.
constexpr size_t kCommandTemplateSize = 1024;

// The key under a file type that holds its open command.
constexpr char16_t kOpenCommandKeySuffix[] = u"\\shell\\open\\command";
// A file type's name followed by kOpenCommandKeySuffix, including the terminating zero.
constexpr size_t kCommandKeySize =
    (kRegistryValueSize - 1) + (sizeof kOpenCommandKeySuffix / sizeof(char16_t) - 1) + 1;

// The longest template, the blank before the address, the longest address and the zero.
constexpr size_t kBrowserCommandSize = (kCommandTemplateSize - 1) + 1 + (kAddressSize - 1) + 1;

// The readme the program looks for beside itself when the installer names none.
constexpr char16_t kReadmeFileName[] = u"readme.txt";

// A path as Windows gives it at its longest (GetModuleFileNameW), including the terminating zero.
constexpr size_t kWidePathSize = 32768;
// The longest command line CreateProcessW takes, including the terminating zero.
constexpr size_t kProcessCommandLineSize = 32767;

// What the registry says about opening ".htm" files; each field is null when its read failed.
// Since Windows 8 the user's choice is recorded only under HKEY_CURRENT_USER, while
// HKEY_CLASSES_ROOT\.htm keeps naming whichever type registered itself first.
struct HtmAssociation {
    const char16_t* chosen_type;         // ProgId of the user's choice for ".htm"
    const char16_t* chosen_command;      // open command of chosen_type
    const char16_t* registered_type;     // default value of HKEY_CLASSES_ROOT\.htm
    const char16_t* registered_command;  // open command of registered_type
};

// The file type whose open command starts the browser, with that command in
// `*command_template`: the user's choice when it names a type and that type has a command that
// is not empty, otherwise the type ".htm" names. Null, with `*command_template` null, when
// neither can be used.
const char16_t* ChooseBrowserFileType(const HtmAssociation& association,
                                      const char16_t** command_template);

// Writes `file_type` followed by "\shell\open\command" into `out`. False, with `out` empty, when
// it does not fit.
bool ComposeCommandKey(const char16_t* file_type, char16_t* out, size_t out_size);

// Puts the address `url` (ASCII: every other byte is percent-encoded) into the ".htm" open
// command `command_template`: the template is cut at the first quoted placeholder ("%1" in
// double quotes, the opening quote going too), or failing that at the first bare %1; then one
// blank and the address, unquoted, follow. False, with `out` empty, when nothing must be started:
// no template or address, a template that is empty after the cut, or a command that does not fit.
bool ComposeBrowserCommand(const char16_t* command_template, const char* url, char16_t* out,
                           size_t out_size);

// The readme's path: `readme` unchanged when it is present and not empty; otherwise the directory
// of `module_path` (up to and including its last backslash, or the whole path when it has none)
// followed by "readme.txt". False, with `out` empty, when the module path is needed but null, or
// when the path does not fit.
bool ComposeReadmePath(const char16_t* readme, const char16_t* module_path, char16_t* out,
                       size_t out_size);

// Notepad as System32 holds it: `system_directory`, a backslash and "notepad.exe". False, with
// `out` empty, when there is no system directory or the path does not fit.
bool ComposeNotepadPath(const char16_t* system_directory, char16_t* out, size_t out_size);

// "notepad.exe " followed by `readme_path` unchanged, unquoted: the command line Notepad gets.
bool ComposeReadmeCommand(const char16_t* readme_path, char16_t* out, size_t out_size);
