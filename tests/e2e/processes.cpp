#include "processes.h"

#include "limited_token.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>
// After windows.h:
#include <tlhelp32.h>
#include <winternl.h>

#include "dialog_expectations.h"
#include "launch_log.h"

int TextOf(HWND window, char* out, int out_size) {
    DWORD_PTR length = 0;
    out[0] = '\0';
    if (!SendMessageTimeoutA(window, WM_GETTEXT, out_size, reinterpret_cast<LPARAM>(out),
                             SMTO_NORMAL, kWaitMs, &length))
        return -1;
    out[out_size - 1] = '\0';
    return static_cast<int>(length);
}

int WideTextOf(HWND window, wchar_t* out, int out_size) {
    DWORD_PTR length = 0;
    out[0] = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, out_size, reinterpret_cast<LPARAM>(out),
                             SMTO_NORMAL, kWaitMs, &length))
        return -1;
    out[out_size - 1] = 0;
    return static_cast<int>(length);
}

HWND FindNamedWindow(const Driver& driver, const char* name, size_t length) {
    for (int i = 0; i < driver.window_count; ++i) {
        const NamedWindow& named = driver.windows[i];
        if (strlen(named.name) == length && strncmp(named.name, name, length) == 0)
            return named.window;
    }
    return nullptr;
}

bool AddWindow(Driver& driver, const char* name, HWND window) {
    if (driver.window_count == kMaxWindows || strlen(name) >= kNameSize) {
        Fail("too many windows or too long a name");
        return false;
    }
    NamedWindow& named = driver.windows[driver.window_count++];
    lstrcpynA(named.name, name, kNameSize);
    named.window = window;
    return true;
}

HWND NamedWindowArg(const Driver& driver, char* args, char** rest) {
    char* name;
    *rest = NextWord(args, &name);
    HWND window = FindNamedWindow(driver, name, strlen(name));
    if (window == nullptr) Fail("no window named %s", name);
    return window;
}

int ExpandNames(const Driver& driver, const char* args, char* out, size_t out_size) {
    size_t used = 0;
    for (const char* p = args; *p != '\0';) {
        const char* close = *p == '{' ? strchr(p, '}') : nullptr;
        HWND window = close ? FindNamedWindow(driver, p + 1, close - p - 1) : nullptr;
        if (close != nullptr && window != nullptr) {
            used += snprintf(out + used, out_size - used, "%ld",
                             static_cast<long>(reinterpret_cast<INT_PTR>(window)));
            p = close + 1;
        } else if (used + 1 < out_size) {
            out[used++] = *p++;
        } else {
            break;
        }
        if (used >= out_size - 1) {
            Fail("command line too long");
            return -1;
        }
    }
    out[used] = '\0';
    return static_cast<int>(used);
}

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
    ChildSearch* search = reinterpret_cast<ChildSearch*>(param);
    if (!IsWindowVisible(child) || search->count == 16) return TRUE;
    if (search->class_part != nullptr) {
        char class_name[64];
        GetClassNameA(child, class_name, sizeof class_name);
        if (strstr(class_name, search->class_part) == nullptr) return TRUE;
    }
    if (search->text != nullptr) {
        static char text[kTextSize];
        int length = TextOf(child, text, sizeof text);
        if (length != static_cast<int>(strlen(search->text)) ||
            memcmp(text, search->text, length) != 0)
            return TRUE;
    }
    search->found[search->count++] = child;
    return TRUE;
}

namespace {

BOOL CALLBACK AddVisibleChild(HWND child, LPARAM sum) {
    DWORD* value = reinterpret_cast<DWORD*>(sum);
    if (IsWindowVisible(child))
        *value = *value * 31 + static_cast<DWORD>(reinterpret_cast<INT_PTR>(child)) * 2 +
                 (IsWindowEnabled(child) ? 1 : 0);
    return TRUE;
}

}  // namespace

DWORD VisibleState(HWND window) {
    DWORD sum = 0;
    EnumChildWindows(window, AddVisibleChild, reinterpret_cast<LPARAM>(&sum));
    return sum;
}

namespace {

// Unicode, as installers make their windows: the title reads the same under any code page.
HWND MakeTopLevelWindow(const char* class_name, const char* title) {
    wchar_t wide_class[kNameSize * 2];
    wchar_t wide_title[kTextSize];
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = FromShiftJis(class_name, wide_class, kNameSize * 2);
    RegisterClassW(&window_class);  // fails harmlessly when the class is already there
    return CreateWindowExW(0, window_class.lpszClassName,
                           FromShiftJis(title, wide_title, kTextSize),
                           WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 360, 240, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

bool StepWindow(Driver& driver, char* args) {
    char *name, *class_name;
    char* title = NextWord(NextWord(args, &name), &class_name);
    HWND window = MakeTopLevelWindow(class_name, title);
    if (window == nullptr) {
        Fail("could not create window %s", name);
        return false;
    }
    Pump();
    Note("window %s = %ld", name, static_cast<long>(reinterpret_cast<INT_PTR>(window)));
    return AddWindow(driver, name, window);
}

bool StepDeadWindow(Driver& driver, char* args) {
    char* name;
    NextWord(args, &name);
    HWND window = MakeTopLevelWindow("RegcompleteE2EGone", "gone");
    if (window == nullptr || !DestroyWindow(window) || IsWindow(window)) {
        Fail("could not make a dead window handle");
        return false;
    }
    Pump();
    Note("dead window %s = %ld", name, static_cast<long>(reinterpret_cast<INT_PTR>(window)));
    return AddWindow(driver, name, window);
}

bool StepApplication(Driver& driver, char* path) {
    lstrcpynA(driver.application, path, sizeof driver.application);
    return true;
}

namespace {

// A window station that nobody sees, with a desktop in it, as a service or a deployment tool
// running as SYSTEM has; its desktop's name for STARTUPINFO::lpDesktop.
const char* HiddenDesktop() {
    static bool made = false;
    static char name[] = "RegcompleteE2EHidden\\Default";
    if (made) return name;
    HWINSTA own = GetProcessWindowStation();
    HWINSTA hidden = CreateWindowStationW(L"RegcompleteE2EHidden", 0, WINSTA_ALL_ACCESS, nullptr);
    made = hidden != nullptr && SetProcessWindowStation(hidden) &&
           CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr) != nullptr;
    SetProcessWindowStation(own);
    if (!made) Fail("no hidden window station: error %lu", GetLastError());
    return made ? name : nullptr;
}

enum class StartAs {
    kStandardUser,  // a Limited token, a standard user's
    kElevated,      // a Full token, an administrator's installer's
    kHidden,        // a Full token, on a window station nobody sees
};

// `unicode`: the line is UTF-8 and starts the program with CreateProcessW, as a Unicode
// installer does; otherwise CreateProcessA on exactly its bytes.
bool Start(Driver& driver, const char* args, bool unicode, StartAs as) {
    if (driver.started) {
        Fail("a program is still running from an earlier start");
        return false;
    }
    static char command_line[kLineSize];
    int used = ExpandNames(driver, args, command_line, sizeof command_line);
    if (used < 0) return false;
    Note("start %s", Shown(command_line, used));

    const char* application = driver.application[0] != '\0' ? driver.application : nullptr;
    ElevationType type =
        as == StartAs::kStandardUser ? ElevationType::kLimited : ElevationType::kFull;
    HANDLE token = nullptr;
    if (!TokenOfType(type, &token)) {
        Fail("neither the driver's token nor its linked one is %s: error %lu",
             type == ElevationType::kLimited ? "Limited" : "Full", GetLastError());
        return false;
    }
    const char* desktop = as == StartAs::kHidden ? HiddenDesktop() : nullptr;
    if (as == StartAs::kHidden && desktop == nullptr) return false;
    BOOL started = FALSE;
    if (unicode) {
        static wchar_t wide_line[kLineSize];
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        started = MultiByteToWideChar(CP_UTF8, 0, command_line, -1, wide_line, kLineSize) > 0 &&
                  CreateProcessAsUserW(token, nullptr, wide_line, nullptr, nullptr, FALSE, 0,
                                       nullptr, nullptr, &startup, &driver.process);
    } else {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.lpDesktop = const_cast<char*>(desktop);
        started = CreateProcessAsUserA(token, application, command_line, nullptr, nullptr, FALSE, 0,
                                       nullptr, nullptr, &startup, &driver.process);
    }
    if (!started) {
        Fail("starting the program failed with error %lu", GetLastError());
        return false;
    }
    driver.application[0] = '\0';
    driver.started = true;
    driver.dialog = nullptr;
    return true;
}

}  // namespace

bool StepStart(Driver& driver, char* args) {
    return Start(driver, args, false, StartAs::kStandardUser);
}

bool StepStartUnicode(Driver& driver, char* args) {
    return Start(driver, args, true, StartAs::kStandardUser);
}

bool StepStartElevated(Driver& driver, char* args) {
    return Start(driver, args, false, StartAs::kElevated);
}

bool StepStartHidden(Driver& driver, char* args) {
    return Start(driver, args, false, StartAs::kHidden);
}

void ForgetProcess(Driver& driver) {
    if (driver.process.hThread != nullptr) CloseHandle(driver.process.hThread);
    CloseHandle(driver.process.hProcess);
    driver.started = false;
    driver.dialog = nullptr;
    if (driver.parent_started) {
        driver.process = driver.parent;
        driver.started = true;
        driver.parent_started = false;
    }
}

namespace {

// The caption as Unicode, so that the dialog is found under any system code page.
const wchar_t* DialogCaptionW() {
    static wchar_t caption[64];
    if (caption[0] == 0) MultiByteToWideChar(932, 0, kDialogCaption, -1, caption, 64);
    return caption;
}

// The started program's visible window with the dialog's caption.
HWND FindDialog(const Driver& driver) {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, nullptr, DialogCaptionW())) != nullptr) {
        DWORD process_id = 0;
        GetWindowThreadProcessId(window, &process_id);
        if (process_id == driver.process.dwProcessId && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

}  // namespace

bool StepWaitDialog(Driver& driver, char*) {
    if (!driver.started) {
        Fail("no program started");
        return false;
    }
    DWORD start = GetTickCount();
    bool ended = false;
    auto shown_or_ended = [&] {
        driver.dialog = FindDialog(driver);
        ended = driver.dialog == nullptr &&
                WaitForSingleObject(driver.process.hProcess, 0) == WAIT_OBJECT_0;
        return driver.dialog != nullptr || ended;
    };
    if (!WaitUntil(shown_or_ended, kWaitMs, Format("no dialog after %lu ms", kWaitMs)))
        return false;
    if (ended) {
        DWORD exit_code = 0;
        GetExitCodeProcess(driver.process.hProcess, &exit_code);
        Fail("the program ended (exit code %lu) without showing its dialog", exit_code);
        ForgetProcess(driver);
        return false;
    }
    // Shown first and moved afterwards: wait until the program is idle in its message loop.
    DWORD idle = WaitForInputIdle(driver.process.hProcess, kWaitMs);
    if (idle != 0) {
        Fail("the program never became idle (%lu)", idle);
        return false;
    }
    PumpFor(200);
    Note("dialog %ld appeared after %lu ms",
         static_cast<long>(reinterpret_cast<INT_PTR>(driver.dialog)), GetTickCount() - start);
    return true;
}

namespace {

int LogRecords() {
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(kLaunchLogVariable, path, sizeof path);
    if (length == 0 || length >= sizeof path) return -1;
    FILE* file = fopen(path, "rb");
    if (file == nullptr) return 0;
    static char bytes[1 << 16];
    size_t size = fread(bytes, 1, sizeof bytes - 1, file);
    fclose(file);
    bytes[size] = '\0';
    int records = 0;
    for (const char* p = bytes; (p = strstr(p, kLaunchRecordEnd)) != nullptr; ++p) ++records;
    return records;
}

}  // namespace

bool StepWaitLog(Driver&, char* args) {
    int want = atoi(args);
    int records = 0;
    auto enough_or_no_log = [&] {
        records = LogRecords();
        return records >= want || records < 0;
    };
    auto too_few = [&] {
        return Format("the launch log holds %d records after %lu ms, not %d", records, kWaitMs,
                      want);
    };
    if (!WaitUntil(enough_or_no_log, kWaitMs, too_few)) return false;
    if (records < want) {
        Fail("%s is not set", kLaunchLogVariable);
        return false;
    }
    PumpFor(500);  // a launch too many would show up now
    records = LogRecords();
    if (records != want) Fail("the launch log holds %d records, not %d", records, want);
    return records == want;
}

bool WaitForExitCode(HANDLE process, const char* args, const char* who) {
    DWORD want = strtoul(args, nullptr, 10);
    auto ended = [&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; };
    if (!WaitUntil(ended, kWaitMs, Format("%s still runs after %lu ms", who, kWaitMs)))
        return false;
    DWORD exit_code = 0;
    GetExitCodeProcess(process, &exit_code);
    if (exit_code != want) Fail("%s ended with exit code %lu, not %lu", who, exit_code, want);
    Note("%s ended with exit code %lu", who, exit_code);
    return true;
}

bool StepWaitExit(Driver& driver, char* args) {
    if (!driver.started) {
        Fail("no program started");
        return false;
    }
    if (!WaitForExitCode(driver.process.hProcess, args, "the program")) return false;
    if (driver.dialog != nullptr && IsWindow(driver.dialog))
        Fail("the dialog outlived its program");
    ForgetProcess(driver);
    return true;
}

bool StepWaitParentExit(Driver& driver, char* args) {
    if (!driver.parent_started) {
        Fail("no started program behind the dialog's program");
        return false;
    }
    if (!WaitForExitCode(driver.parent.hProcess, args, "the started program")) return false;
    CloseHandle(driver.parent.hThread);
    CloseHandle(driver.parent.hProcess);
    driver.parent = {};
    driver.parent_started = false;
    return true;
}

bool InStartedTree(const Driver& driver, DWORD process_id) {
    for (int i = 0; i < driver.tree_count; ++i)
        if (driver.tree[i] == process_id) return true;
    return false;
}

void RefreshStartedTree(Driver& driver) {
    DWORD root = driver.parent_started ? driver.parent.dwProcessId : driver.process.dwProcessId;
    if (driver.tree_count == 0 || driver.tree[0] != root) {
        driver.tree[0] = root;
        driver.tree_count = root != 0 ? 1 : 0;
    }
    if (driver.tree_count == 0) return;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    for (bool added = true; added;) {
        added = false;
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more;
             more = Process32Next(snapshot, &entry)) {
            if (driver.tree_count < kMaxTree && !InStartedTree(driver, entry.th32ProcessID) &&
                InStartedTree(driver, entry.th32ParentProcessID)) {
                driver.tree[driver.tree_count++] = entry.th32ProcessID;
                added = true;
            }
        }
    }
    CloseHandle(snapshot);
}

// An installer's wizard may be left waiting on a message box; the virtual desktop, which waits
// for its programs, closes only once they are gone.
void EndLeftoverPrograms(Driver& driver) {
    while (driver.started) {
        Fail("the program was left running; ending it");
        TerminateProcess(driver.process.hProcess, 99);
        WaitForSingleObject(driver.process.hProcess, kWaitMs);
        ForgetProcess(driver);  // and then the program that started it, if any
    }
    for (int i = 0; i < driver.tree_count; ++i) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, driver.tree[i]);
        if (process == nullptr) continue;
        if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
            Note("process %lu was left running; ending it", driver.tree[i]);
            TerminateProcess(process, 99);
        }
        CloseHandle(process);
    }
}

// The program's GetCommandLineA gives the Unicode command line of its process parameters in the
// ANSI code page; so does this, from the process's PEB.
int CommandLineOf(HANDLE process, char* out, int out_size, char* failure, size_t failure_size) {
    auto failed = [&](const char* call, unsigned long code) {
        snprintf(failure, failure_size, "%s failed with error %lu", call, code);
        return -1;
    };
    using QueryInformation = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryInformation>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    if (query == nullptr)
        return failed("GetProcAddress(NtQueryInformationProcess)", GetLastError());
    PROCESS_BASIC_INFORMATION basic = {};
    LONG status = query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr);
    if (status != 0) return failed("NtQueryInformationProcess", static_cast<unsigned long>(status));
    PEB peb = {};
    if (!ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr))
        return failed("ReadProcessMemory(PEB)", GetLastError());
    RTL_USER_PROCESS_PARAMETERS parameters = {};
    if (!ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters, nullptr))
        return failed("ReadProcessMemory(ProcessParameters)", GetLastError());
    static wchar_t wide[kLineSize];
    int wide_length = parameters.CommandLine.Length / sizeof(wchar_t);
    if (wide_length >= static_cast<int>(kLineSize))
        return failed("the command line's length check", static_cast<unsigned long>(wide_length));
    if (!ReadProcessMemory(process, parameters.CommandLine.Buffer, wide,
                           wide_length * sizeof(wchar_t), nullptr))
        return failed("ReadProcessMemory(CommandLine)", GetLastError());
    int length =
        WideCharToMultiByte(CP_ACP, 0, wide, wide_length, out, out_size - 1, nullptr, nullptr);
    if (length == 0 && wide_length != 0) return failed("WideCharToMultiByte", GetLastError());
    out[length] = '\0';
    return length;
}

// Every thread of every explorer.exe of the prefix, the desktop's shell: suspended, what is handed
// to it hangs, as on a Windows whose Explorer is stuck; resumed, it carries on.
bool StepShell(Driver& driver, char* args) {
    bool suspend = strcmp(args, "suspend") == 0;
    if (!suspend && strcmp(args, "resume") != 0) {
        Fail("shell: \"%s\" is neither suspend nor resume", args);
        return false;
    }
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS | TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        Fail("shell %s: no snapshot of the processes", args);
        return false;
    }
    DWORD shells[8];
    int shell_count = 0;
    PROCESSENTRY32 process = {};
    process.dwSize = sizeof process;
    for (BOOL more = Process32First(snapshot, &process); more;
         more = Process32Next(snapshot, &process))
        if (lstrcmpiA(process.szExeFile, "explorer.exe") == 0 && shell_count < 8)
            shells[shell_count++] = process.th32ProcessID;
    int threads = 0;
    THREADENTRY32 thread = {};
    thread.dwSize = sizeof thread;
    for (BOOL more = Thread32First(snapshot, &thread); more; more = Thread32Next(snapshot, &thread))
        for (int i = 0; i < shell_count; ++i) {
            if (thread.th32OwnerProcessID != shells[i]) continue;
            HANDLE handle = OpenThread(THREAD_SUSPEND_RESUME, FALSE, thread.th32ThreadID);
            if (handle == nullptr) continue;
            if ((suspend ? SuspendThread(handle) : ResumeThread(handle)) != static_cast<DWORD>(-1))
                ++threads;
            CloseHandle(handle);
        }
    CloseHandle(snapshot);
    driver.shell_suspended = suspend;
    if (threads == 0) {
        Fail("shell %s: no thread of explorer.exe", args);
        return false;
    }
    Note("shell %s: %d threads of %d explorer.exe", args, threads, shell_count);
    return true;
}
