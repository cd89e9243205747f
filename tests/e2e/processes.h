// The programs the driver starts and the windows it names or looks into: starting a program,
// the tree of programs started from it, the waits for its dialog and for its exit, the launch
// log, and the texts and visible controls of windows.
#pragma once

#include "driver.h"

// WM_GETTEXT with a time limit: the length, or -1 when the window does not answer.
int TextOf(HWND window, char* out, int out_size);
int WideTextOf(HWND window, wchar_t* out, int out_size);

HWND FindNamedWindow(const Driver& driver, const char* name, size_t length);
bool AddWindow(Driver& driver, const char* name, HWND window);
// The window named by the first word of `args` (reported when there is none); `rest` is what
// follows the name.
HWND NamedWindowArg(const Driver& driver, char* args, char** rest);
// Copies `args` to `out` with each {NAME} of a named window replaced by its handle as a decimal
// number; returns the length, or -1 (reported) when it does not fit.
int ExpandNames(const Driver& driver, const char* args, char* out, size_t out_size);

// The visible child windows of a window, by their text or by a part of their class name.
struct ChildSearch {
    const char* text;        // wanted text, or nullptr
    const char* class_part;  // part of the wanted class name, or nullptr
    HWND found[16];
    int count;
};
BOOL CALLBACK CollectChild(HWND child, LPARAM search);
// A checksum of which controls of `window` are visible and enabled: a page change alters it.
DWORD VisibleState(HWND window);

// Lets go of the program the steps act on; they act on the started one again if that was a
// program it started.
void ForgetProcess(Driver& driver);
// Waits for `process` to end and checks its exit code against `args`; false when it still runs.
bool WaitForExitCode(HANDLE process, const char* args, const char* who);
void RefreshStartedTree(Driver& driver);
bool InStartedTree(const Driver& driver, DWORD process_id);
// Ends what a run leaves of the started programs, each reported.
void EndLeftoverPrograms(Driver& driver);
// Reads another process's command line as its GetCommandLineA gives it. On failure returns -1
// and names in `failure` the call that failed and its error code.
int CommandLineOf(HANDLE process, char* out, int out_size, char* failure, size_t failure_size);

bool StepWindow(Driver& driver, char* args);
bool StepDeadWindow(Driver& driver, char* args);
bool StepApplication(Driver& driver, char* args);
bool StepStart(Driver& driver, char* args);
bool StepStartUnicode(Driver& driver, char* args);
bool StepStartElevated(Driver& driver, char* args);
bool StepStartHidden(Driver& driver, char* args);
bool StepWaitDialog(Driver& driver, char* args);
bool StepWaitLog(Driver& driver, char* args);
bool StepWaitExit(Driver& driver, char* args);
bool StepWaitParentExit(Driver& driver, char* args);
bool StepShell(Driver& driver, char* args);
