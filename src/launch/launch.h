// Starting the outside programs on Windows: the browser that opens ".htm" files and Notepad.
//
// A thin layer over the registry, the module path and WinExec; the command lines themselves are
// composed by launch_commands.h. Every failure ends a launch silently: nothing is shown and the
// caller goes on as before. Programs are started with SW_SHOW and never waited for.
#pragma once

#include <stddef.h>
#include <windows.h>

#include "codepage/char_class.h"
#include "launch/launch_commands.h"
#include "options/options.h"

// Reads the default value of `subkey` under HKEY_CLASSES_ROOT into `out`, which holds
// kRegistryValueSize bytes and may be the same buffer as `subkey`. Returns 0, or the platform's
// error code with `out` untouched; a value that does not fit in kRegistryValueSize bytes is an
// error.
LONG ReadClassesRootDefault(const char* subkey, char* out);

// The command that opens ".htm" files and the file type it belongs to, each into a buffer of
// kRegistryValueSize bytes: the user's choice under HKEY_CURRENT_USER when it has a command,
// otherwise the type HKEY_CLASSES_ROOT\.htm names (ChooseBrowserFileType decides); the type's
// "\shell\open\command" key holds the command. False, with both empty, when neither has one.
bool ReadBrowserCommandTemplate(char* file_type, char* command_template);

// The full path of the program's own executable. False, with `out` empty, when the platform
// cannot give it or gives it cut to `out_size`.
bool ReadModulePath(char* out, size_t out_size);

// Starts the browser's command (ReadBrowserCommandTemplate) on `url`.
void OpenUrlInBrowser(const char* url);

// Starts Notepad on the readme named by option R, or on "readme.txt" beside the executable.
void OpenReadme(const RegistrationOptions& options, const CharClass& classes);
