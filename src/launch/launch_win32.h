// Starting the outside programs on Windows: the thin layer that asks the registry, the module path
// and the system folder for the facts a launch plan needs (launch_plan.h), and carries a plan out.
// Every string is UTF-16, so that a path or a browser's command that the ANSI code page cannot
// spell still arrives whole.
#pragma once

#include <stddef.h>
#include <windows.h>
// After windows.h:
#include <shellapi.h>

#include "launch/desktop_shell_win32.h"
#include "launch/launch_plan.h"
#include "launch/system_library_win32.h"

// The facts for one scheme ("https" or "http"), read into `buffers`; `*file_type` names the file
// type whose ".htm" command was read, or is null when there is none.
struct BrowserFactBuffers {
    char16_t system_directory[kSystemDirectorySize];
    char16_t file_type[kRegistryValueSize];
    char16_t command_template[kCommandTemplateSize];
};
BrowserFacts ReadBrowserFacts(const char* scheme, BrowserFactBuffers* buffers,
                              const char16_t** file_type);

// The full path of the program's own executable, of up to kWidePathSize units. False, with `out`
// empty, when the platform cannot give it or gives it cut to `out_size`.
bool ReadModulePath(char16_t* out, size_t out_size);

// shell32, ole32 and oleaut32 are loaded from System32 only when a plan reaches a shell: most
// presses never do, and start-up never pays for them. Once loaded they stay, with the thread's
// COM set up.
struct ShellSession {
    bool tried;
    BOOL(WINAPI* execute)(SHELLEXECUTEINFOW*);
    ComLibrary com;
    DesktopShell registration;  // the registration buttons' hand-overs to the desktop's shell
    DesktopShell readme;        // README's
};

// Tries the plan's steps in order and stops at the first that starts something, or at its
// message, which `owner` owns; or at a hand-over to the desktop's shell (through `desktop`, the
// pressed button's kind) that has not answered in time, whose own message it then shows.
void CarryOutPlan(const LaunchPlan& plan, HWND owner, ShellSession* shell, DesktopShell* desktop);
