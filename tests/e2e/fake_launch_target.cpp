// Stands in for the web browser and for Notepad in the end-to-end tests: appends the raw bytes of
// its own command line, as GetCommandLineA gives them, to the launch log and ends at once. A
// GUI program, so that Wine opens no console for it and it draws nothing.
#include <windows.h>

#include "launch_log.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char log_path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(kLaunchLogVariable, log_path, sizeof log_path);
    if (length == 0 || length >= sizeof log_path) return 3;
    HANDLE log = CreateFileA(log_path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return 4;

    // One write per record, so that a reader never sees half of one.
    static char record[65536];
    const char* command_line = GetCommandLineA();
    int command_length = lstrlenA(command_line);
    int end_length = static_cast<int>(sizeof kLaunchRecordEnd - 1);
    if (command_length + end_length > static_cast<int>(sizeof record)) return 5;
    CopyMemory(record, command_line, command_length);
    CopyMemory(record + command_length, kLaunchRecordEnd, end_length);
    DWORD written = 0;
    BOOL ok = WriteFile(log, record, command_length + end_length, &written, nullptr);
    CloseHandle(log);
    return ok ? 0 : 6;
}
