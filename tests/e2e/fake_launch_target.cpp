// Stands in for the web browser and for Notepad in the end-to-end tests: appends its own command
// line, as GetCommandLineW gives it and written as UTF-8, to the launch log and ends at once, so
// that a path no code page spells is recorded as it arrived. A GUI program, so that Wine opens no
// console for it and it draws nothing. Built with REGCOMPLETE_E2E_PLANTED it stands for a program
// planted where the real one must never be taken from, and marks its record so. Where the test
// sets REGCOMPLETE_E2E_LOG_PARENT, the record starts with the file name of the program that
// started this one, as "[from explorer.exe] ".
#include <windows.h>
// After windows.h:
#include <tlhelp32.h>

#include "launch_log.h"

#ifdef REGCOMPLETE_E2E_PLANTED
constexpr char kRecordStart[] = "planted: ";
#else
constexpr char kRecordStart[] = "";
#endif

namespace {

// "[from NAME] " for the parent process's file name NAME into `out`; its length.
int ParentRecord(char* out, int out_size) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    DWORD own = GetCurrentProcessId(), parent = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && parent == 0;
         more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == own) parent = entry.th32ParentProcessID;
    wchar_t name[MAX_PATH] = L"(gone)";
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && parent != 0;
         more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == parent) lstrcpynW(name, entry.szExeFile, MAX_PATH);
    CloseHandle(snapshot);
    char utf8[3 * MAX_PATH];
    if (WideCharToMultiByte(CP_UTF8, 0, name, -1, utf8, sizeof utf8, nullptr, nullptr) == 0)
        return 0;
    return wsprintfA(out, "[from %s] ", utf8) < out_size ? lstrlenA(out) : 0;
}

}  // namespace

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
    if (GetEnvironmentVariableW(L"REGCOMPLETE_E2E_LOG_PARENT", nullptr, 0) > 0)
        used += ParentRecord(record + used, 3 * MAX_PATH + 16);
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
