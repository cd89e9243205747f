// A DLL planted beside regcomplete.exe under the name of a system DLL that is not a KnownDLL
// (built as uxtheme.dll): when any process loads it, it appends that fact and the process's
// command line to the launch log, where the tests expect nothing of the kind. It exports nothing.
#include <windows.h>

#include "launch_log.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char log_path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(kLaunchLogVariable, log_path, sizeof log_path);
    if (length == 0 || length >= sizeof log_path) return TRUE;
    HANDLE log = CreateFileA(log_path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return TRUE;
    static char record[4096];
    static const char kWhat[] = "planted DLL loaded by ";
    lstrcpynA(record, kWhat, sizeof record);
    lstrcpynA(record + lstrlenA(record), GetCommandLineA(), 3000);
    lstrcpynA(record + lstrlenA(record), kLaunchRecordEnd, sizeof kLaunchRecordEnd);
    DWORD written = 0;
    WriteFile(log, record, lstrlenA(record), &written, nullptr);
    CloseHandle(log);
    return TRUE;
}
