// Stands in for the web browser and for Notepad in the end-to-end tests: appends its own command
// line, as GetCommandLineW gives it and written as UTF-8, to the launch log and ends at once, so
// that a path no code page spells is recorded as it arrived. A GUI program, so that Wine opens no
// console for it and it draws nothing. Built with REGCOMPLETE_E2E_PLANTED it stands for a program
// planted where the real one must never be taken from, and marks its record so.
#include <windows.h>

#include "launch_log.h"

#ifdef REGCOMPLETE_E2E_PLANTED
constexpr char kRecordStart[] = "planted: ";
#else
constexpr char kRecordStart[] = "";
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wchar_t log_path[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(kLaunchLogVariableW, log_path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 3;
    HANDLE log = CreateFileW(log_path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return 4;

    // One write per record, so that a reader never sees half of one.
    static char record[4 * 32768 + 64];
    int used = lstrlenA(kRecordStart);
    CopyMemory(record, kRecordStart, used);
    int command_length =
        WideCharToMultiByte(CP_UTF8, 0, GetCommandLineW(), -1, record + used,
                            sizeof record - used - sizeof kLaunchRecordEnd, nullptr, nullptr);
    if (command_length == 0) return 5;
    used += command_length - 1;  // without its terminating zero
    int end_length = static_cast<int>(sizeof kLaunchRecordEnd - 1);
    CopyMemory(record + used, kLaunchRecordEnd, end_length);
    DWORD written = 0;
    BOOL ok = WriteFile(log, record, used + end_length, &written, nullptr);
    CloseHandle(log);
    return ok ? 0 : 6;
}
