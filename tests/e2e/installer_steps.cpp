#include "installer_steps.h"

#include <stdlib.h>
#include <string.h>
#include <windows.h>
// After windows.h:
#include <tlhelp32.h>

#include "dialog_expectations.h"
#include "processes.h"

namespace {

// The started program's visible top-level window of `class_name` whose caption holds `text`.
HWND FindProgramWindow(Driver& driver, const char* class_name, const char* text) {
    RefreshStartedTree(driver);
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, class_name, nullptr)) != nullptr) {
        DWORD process_id = 0;
        GetWindowThreadProcessId(window, &process_id);
        static char caption[kTextSize];
        if (InStartedTree(driver, process_id) && IsWindowVisible(window) &&
            GetWindowTextA(window, caption, sizeof caption) > 0 && strstr(caption, text) != nullptr)
            return window;
    }
    return nullptr;
}

}  // namespace

bool StepWaitWindow(Driver& driver, char* args) {
    char *name, *class_name;
    char* text = NextWord(NextWord(args, &name), &class_name);
    if (!driver.started) {
        Fail("no program started");
        return false;
    }
    DWORD start = GetTickCount();
    HWND window = nullptr;
    auto shown = [&] { return (window = FindProgramWindow(driver, class_name, text)) != nullptr; };
    if (!WaitUntil(shown, kWaitMs,
                   Format("no window of class %s with \"%s\" in its caption after %lu ms",
                          class_name, Shown(text), kWaitMs)))
        return false;
    Note("window %s = %ld appeared after %lu ms", name,
         static_cast<long>(reinterpret_cast<INT_PTR>(window)), GetTickCount() - start);
    return AddWindow(driver, name, window);
}

bool StepPress(Driver& driver, char* args) {
    char* rest;
    HWND window = NamedWindowArg(driver, args, &rest);
    if (window == nullptr) return false;
    int id = atoi(rest);
    HWND control = nullptr;
    auto pressable = [&] {
        control = GetDlgItem(window, id);
        return control != nullptr && IsWindowEnabled(control) && IsWindowVisible(control);
    };
    if (!WaitUntil(pressable, kWaitMs,
                   Format("control %d is not there to press after %lu ms", id, kWaitMs)))
        return false;
    static char before[kTextSize], after[kTextSize];
    int before_length = TextOf(control, before, sizeof before);
    Note("press %d \"%s\"", id, Shown(before, before_length));
    DWORD_PTR result;
    if (!SendMessageTimeoutA(control, BM_CLICK, 0, 0, SMTO_NORMAL, kWaitMs, &result) &&
        IsWindow(control)) {
        Fail("could not press control %d", id);
        return false;
    }
    // The press is handled once the page changed or the window went away.
    auto took_effect = [&] {
        return !(IsWindow(control) && IsWindowEnabled(control) && IsWindowVisible(control) &&
                 TextOf(control, after, sizeof after) == before_length &&
                 memcmp(before, after, before_length) == 0);
    };
    return WaitUntil(took_effect, kWaitMs,
                     Format("pressing control %d changed nothing in %lu ms", id, kWaitMs));
}

// For installers whose controls carry no fixed ids (Inno Setup's wizard is a Delphi form).
bool StepPressText(Driver& driver, char* args) {
    char* text;
    HWND window = NamedWindowArg(driver, args, &text);
    if (window == nullptr) return false;
    ChildSearch search = {text, nullptr, {}, 0};
    auto one_enabled_or_many = [&] {
        search.count = 0;
        EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&search));
        return (search.count == 1 && IsWindowEnabled(search.found[0])) || search.count > 1;
    };
    auto not_one = [&] {
        return Format("%d visible controls with the text \"%s\", not one enabled", search.count,
                      Shown(text));
    };
    if (!WaitUntil(one_enabled_or_many, kWaitMs, not_one)) return false;
    if (search.count > 1) {
        Fail("%s", not_one());
        return false;
    }
    HWND control = search.found[0];
    DWORD before = VisibleState(window);
    Note("press \"%s\"", Shown(text));
    DWORD_PTR result;
    if (!SendMessageTimeoutA(control, BM_CLICK, 0, 0, SMTO_NORMAL, kWaitMs, &result) &&
        IsWindow(control)) {
        Fail("could not press \"%s\"", Shown(text));
        return false;
    }
    auto took_effect = [&] { return !(IsWindow(window) && VisibleState(window) == before); };
    return WaitUntil(took_effect, kWaitMs,
                     Format("pressing \"%s\" changed nothing in %lu ms", Shown(text), kWaitMs));
}

namespace {

// A visible dialog with the caption, shown by a program that the started program started.
HWND FindChildDialog(Driver& driver, DWORD* process_id) {
    RefreshStartedTree(driver);
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, nullptr, kDialogCaption)) != nullptr) {
        GetWindowThreadProcessId(window, process_id);
        if (IsWindowVisible(window) && *process_id != driver.process.dwProcessId &&
            InStartedTree(driver, *process_id))
            return window;
    }
    return nullptr;
}

BOOL CALLBACK NoteTopLevelWindow(HWND window, LPARAM) {
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    char class_name[64] = "";
    GetClassNameA(window, class_name, sizeof class_name);
    wchar_t title[128] = L"";
    GetWindowTextW(window, title, 128);
    char shown[512] = "";
    WideCharToMultiByte(CP_UTF8, 0, title, -1, shown, sizeof shown, nullptr, nullptr);
    if (strcmp(class_name, "tooltips_class32") != 0 && strcmp(class_name, "IME") != 0)
        Note("  window %p of process %lu%s, %s: %s", static_cast<void*>(window), process_id,
             IsWindowVisible(window) ? "" : " (hidden)", class_name, shown);
    return TRUE;
}

}  // namespace

bool StepWaitChildDialog(Driver& driver, char*) {
    if (!driver.started || driver.parent_started) {
        Fail("no program started, or already waiting on a program it started");
        return false;
    }
    DWORD start = GetTickCount(), process_id = 0;
    HWND dialog = nullptr;
    auto shown = [&] { return (dialog = FindChildDialog(driver, &process_id)) != nullptr; };
    if (!WaitUntil(
            shown, kWaitMs,
            Format("no dialog of a program started by the started one after %lu ms", kWaitMs))) {
        Note("the started programs' tree has %d processes; the windows are:", driver.tree_count);
        EnumWindows(NoteTopLevelWindow, 0);
        return false;
    }
    HANDLE process =
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_id);
    if (process == nullptr) {
        Fail("cannot open process %lu (error %lu)", process_id, GetLastError());
        return false;
    }
    driver.parent = driver.process;
    driver.parent_started = true;
    driver.process = {};
    driver.process.hProcess = process;
    driver.process.dwProcessId = process_id;
    driver.dialog = dialog;
    DWORD idle = WaitForInputIdle(process, kWaitMs);
    if (idle != 0) {
        Fail("the program never became idle (%lu)", idle);
        return false;
    }
    PumpFor(200);
    Note("dialog %ld of process %lu appeared after %lu ms",
         static_cast<long>(reinterpret_cast<INT_PTR>(dialog)), process_id, GetTickCount() - start);
    return true;
}

namespace {

void CheckAlive(const Driver& driver, char* args, bool want_alive) {
    char* rest;
    HWND window = NamedWindowArg(driver, args, &rest);
    if (window != nullptr && (IsWindow(window) != FALSE) != want_alive)
        Fail("window %ld is %s", static_cast<long>(reinterpret_cast<INT_PTR>(window)),
             want_alive ? "gone" : "still there");
}

}  // namespace

void StepCheckAlive(Driver& driver, char* args) {
    CheckAlive(driver, args, true);
}

void StepCheckGone(Driver& driver, char* args) {
    CheckAlive(driver, args, false);
}

void StepCheckCommandLine(Driver& driver, char* args) {
    static char expected[kLineSize], actual[kLineSize];
    int expected_length = ExpandNames(driver, args, expected, sizeof expected);
    if (expected_length < 0) return;
    char failure[128];
    int length =
        CommandLineOf(driver.process.hProcess, actual, sizeof actual, failure, sizeof failure);
    if (length < 0)
        Fail("cannot read the program's command line: %s", failure);
    else if (length != expected_length || memcmp(actual, expected, length) != 0)
        Fail("command line \"%s\", not \"%s\"", Shown(actual, length),
             Shown(expected, expected_length));
    else
        Note("command line \"%s\"", Shown(actual, length));
}

namespace {

// Whether process `id`, whose file name is `name`, runs the program file `file`: a file name, or a
// full path from its drive letter on (a 0x5C trail byte would mislead a search for the last '\\').
bool RunsFile(DWORD id, const char* name, const char* file) {
    if (file[0] == '\0' || file[1] != ':') return lstrcmpiA(name, file) == 0;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (process == nullptr) return false;
    char path[MAX_PATH];
    DWORD path_size = sizeof path;
    bool same =
        QueryFullProcessImageNameA(process, 0, path, &path_size) && lstrcmpiA(path, file) == 0;
    CloseHandle(process);
    return same;
}

}  // namespace

void StepCheckNoProcess(Driver&, char* file) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        Fail("no process snapshot (error %lu)", GetLastError());
        return;
    }
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (RunsFile(entry.th32ProcessID, entry.szExeFile, file)) {
            Fail("process %lu runs %s; ending it", entry.th32ProcessID, Shown(file));
            HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
            if (process != nullptr) TerminateProcess(process, 99), CloseHandle(process);
        }
    CloseHandle(snapshot);
}
