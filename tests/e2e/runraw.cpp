// runraw FILE: starts the command line held in FILE byte for byte (no quoting, no code-page
// conversion on the way), with a Limited token, a standard user's (or, where the environment sets
// RUNRAW_ELEVATED, with a Full one), waits for it and exits with its exit code.
// Where RUNRAW_UTF8 is set, FILE holds the line as UTF-8 and it is started as Unicode, as a line
// typed at the Command Prompt is; where RUNRAW_UTF16 is set, FILE holds it as UTF-16
// (little-endian), unit for unit, so that it can hold what no UTF-8 can (an unpaired surrogate).
// Wine turns the arguments of a Unix command into a Windows command line of its own making; tests
// that must control every byte of a command line go through this instead.
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "limited_token.h"

int main(int argc, char** argv) {
    if (argc != 2) return 120;
    static char command_line[65536];
    FILE* file = fopen(argv[1], "rb");
    if (file == nullptr) return 121;
    size_t length = fread(command_line, 1, sizeof command_line - 1, file);
    fclose(file);
    command_line[length] = '\0';

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process;
    bool elevated = GetEnvironmentVariableA("RUNRAW_ELEVATED", nullptr, 0) > 0;
    HANDLE token = nullptr;
    if (!TokenOfType(elevated ? ElevationType::kFull : ElevationType::kLimited, &token)) return 122;
    bool utf16 = GetEnvironmentVariableA("RUNRAW_UTF16", nullptr, 0) > 0;
    if (utf16 || GetEnvironmentVariableA("RUNRAW_UTF8", nullptr, 0) > 0) {
        static wchar_t wide_line[65536];
        STARTUPINFOW wide_startup = {};
        wide_startup.cb = sizeof wide_startup;
        wide_startup.dwFlags = startup.dwFlags;
        wide_startup.hStdInput = startup.hStdInput;
        wide_startup.hStdOutput = startup.hStdOutput;
        wide_startup.hStdError = startup.hStdError;
        if (utf16) memcpy(wide_line, command_line, length & ~size_t{1});
        if ((!utf16 && MultiByteToWideChar(CP_UTF8, 0, command_line, -1, wide_line, 65536) == 0) ||
            !CreateProcessAsUserW(token, nullptr, wide_line, nullptr, nullptr, TRUE, 0, nullptr,
                                  nullptr, &wide_startup, &process))
            return 122;
    } else if (!CreateProcessAsUserA(token, nullptr, command_line, nullptr, nullptr, TRUE, 0,
                                     nullptr, nullptr, &startup, &process)) {
        return 122;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exit_code = 123;
    GetExitCodeProcess(process.hProcess, &exit_code);
    return static_cast<int>(exit_code);
}
