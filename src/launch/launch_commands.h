// The command lines of the two outside programs: the browser that opens ".htm" files, put on a
// registration address, and Notepad on the readme; and which of the registry's ".htm" commands
// is the browser's.
//
// Everything here is pure: the command template from the registry and the program's own path are
// read by the Win32 half (launch.h) and passed in, so every byte of both command lines can be
// checked without Windows. The buffers are sized so that nothing that can reach them is ever cut:
// a command that still does not fit is not composed at all, and the caller starts nothing.
#pragma once

#include <stddef.h>

#include "codepage/char_class.h"
#include "options/options.h"
#include "request/registration_url.h"

// A default value read from the registry, including its terminating zero.
constexpr size_t kRegistryValueSize = 260;

// The key under a file type that holds its open command.
constexpr char kOpenCommandKeySuffix[] = "\\shell\\open\\command";
// A file type's name followed by kOpenCommandKeySuffix, including the terminating zero.
constexpr size_t kCommandKeySize =
    (kRegistryValueSize - 1) + (sizeof kOpenCommandKeySuffix - 1) + 1;

// The longest template, the blank before the address, the longest address and the zero.
constexpr size_t kBrowserCommandSize = (kRegistryValueSize - 1) + 1 + (kAddressSize - 1) + 1;

// The program's own path as GetModuleFileNameA gives it, including the terminating zero.
constexpr size_t kModulePathSize = 512;

constexpr char kNotepadCommandPrefix[] = "notepad.exe ";
constexpr char kReadmeFileName[] = "readme.txt";
// "notepad.exe ", the longest path that can reach it and "readme.txt", with the zero. The module
// path is the longer of the two kinds: a readme option is cut out of the 511-byte command copy.
constexpr size_t kReadmeCommandSize =
    (sizeof kNotepadCommandPrefix - 1) + (kModulePathSize - 1) + (sizeof kReadmeFileName - 1) + 1;
static_assert(kCommandCopySize <= kModulePathSize, "a readme option must fit the readme command");

// What the registry says about opening ".htm" files; each field is null when its read failed.
// Since Windows 8 the user's choice of browser is recorded only under HKEY_CURRENT_USER, while
// HKEY_CLASSES_ROOT\.htm keeps naming whichever type registered itself first.
struct HtmAssociation {
    const char* chosen_type;         // ProgId of the user's choice for ".htm"
    const char* chosen_command;      // open command of chosen_type
    const char* registered_type;     // default value of HKEY_CLASSES_ROOT\.htm
    const char* registered_command;  // open command of registered_type
};

// The file type whose open command starts the browser, with that command in
// `*command_template`: the user's choice when it names a type and that type has a command that
// is not empty, otherwise the type ".htm" names. Null, with `*command_template` null, when
// neither can be used.
const char* ChooseBrowserFileType(const HtmAssociation& association, const char** command_template);

// Writes `file_type` followed by "\shell\open\command" into `out`. False, with `out` empty, when
// it does not fit.
bool ComposeCommandKey(const char* file_type, char* out, size_t out_size);

// Puts `url` into the ".htm" open command `command_template`: the template is cut at the first
// quoted placeholder ("%1" in double quotes, the opening quote going too), or failing that at
// the first bare %1; then one blank and the address, unquoted, follow. The searches compare
// bytes. False, with `out` empty, when nothing must be started: no template or address, a
// template that is empty after the cut, or a command that does not fit.
bool ComposeBrowserCommand(const char* command_template, const char* url, char* out,
                           size_t out_size);

// "notepad.exe " followed by `readme` unchanged when it is present and not empty; otherwise by
// the directory of `module_path` (up to and including its last backslash, or the whole path when
// it has none) and "readme.txt". `module_path` is the program's own path, or null when it could
// not be had. False, with `out` empty, when the module path is needed but null, or when the
// command does not fit.
bool ComposeReadmeCommand(const char* readme, const char* module_path, const CharClass& classes,
                          char* out, size_t out_size);
