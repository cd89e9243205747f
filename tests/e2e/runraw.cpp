// runraw FILE: starts the command line held in FILE byte for byte (no quoting, no code-page
// conversion on the way), with the limited token a standard user has (or, where the environment
// sets RUNRAW_ELEVATED, with its own elevated one), waits for it and exits with its exit code.
// Wine turns the arguments of a Unix command into a Windows command line of its own making; tests
// that must control every byte of a command line go through this instead.
#include <stdio.h>
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
    HANDLE token = elevated ? nullptr : LimitedToken();
    if ((!elevated && token == nullptr) ||
        !CreateProcessAsUserA(token, nullptr, command_line, nullptr, nullptr, TRUE, 0, nullptr,
                              nullptr, &startup, &process))
        return 122;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exit_code = 123;
    GetExitCodeProcess(process.hProcess, &exit_code);
    return static_cast<int>(exit_code);
}
