// The Win32 half of the launchers: registry reads, the module path and the system folder, and the
// calls that start what a plan names. It decides nothing; launch_plan.cpp does.
#include "launch/launch_win32.h"

#include <objbase.h>

#include "launch/wide_text.h"

namespace {

const wchar_t kHtmUserChoiceKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.htm\\UserChoice";
const wchar_t kUrlAssociationsKey[] =
    L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\";

// A string value of at most kRegistryValueSize units with its zero, into `out` (`out_size` units),
// a REG_EXPAND_SZ one with its environment variables expanded. Null when there is none, it is
// no string, it does not fit, or its expansion does not fit.
const char16_t* ReadRegistryString(HKEY root, const wchar_t* subkey, const wchar_t* name,
                                   char16_t* out, size_t out_size) {
    HKEY key;
    if (RegOpenKeyExW(root, subkey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return nullptr;
    // Zeroed so that a value stored without its terminating zero still ends inside the buffer.
    wchar_t value[kRegistryValueSize] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof value;
    LONG error = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (error != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) ||
        value[kRegistryValueSize - 1] != 0)
        return nullptr;
    if (type == REG_EXPAND_SZ) {
        DWORD needed = ExpandEnvironmentStringsW(value, AsWide(out), static_cast<DWORD>(out_size));
        if (needed == 0 || needed > out_size) return nullptr;
        return out;
    }
    WideText copy = StartText(out, out_size);
    return AppendText(&copy, reinterpret_cast<const char16_t*>(value)) ? out : nullptr;
}

bool HasProgId(const wchar_t* subkey) {
    char16_t prog_id[kRegistryValueSize];
    const char16_t* read =
        ReadRegistryString(HKEY_CURRENT_USER, subkey, L"ProgId", prog_id, kRegistryValueSize);
    return read != nullptr && read[0] != 0;
}

// UrlAssociations\<scheme>\<choice>, into `out`.
const wchar_t* UrlChoiceKey(const char* scheme, const wchar_t* choice, char16_t* out,
                            size_t out_size) {
    WideText key = StartText(out, out_size);
    AppendText(&key, reinterpret_cast<const char16_t*>(kUrlAssociationsKey));
    AppendBytes(&key, scheme);
    AppendText(&key, reinterpret_cast<const char16_t*>(choice));
    return AsWide(out);
}

// Windows 11 24H2 and later record the default under UserChoiceLatest, and may leave the older
// UserChoice stale or missing; ".htm"'s choice is what Windows before 8 went by.
bool HasWebDefault(const char* scheme) {
    char16_t key[256];
    return HasProgId(UrlChoiceKey(scheme, L"\\UserChoiceLatest\\ProgId", key, 256)) ||
           HasProgId(UrlChoiceKey(scheme, L"\\UserChoiceLatest", key, 256)) ||
           HasProgId(UrlChoiceKey(scheme, L"\\UserChoice", key, 256)) ||
           HasProgId(kHtmUserChoiceKey);
}

// The open command of `file_type` into `out` (kCommandTemplateSize units); null when there is no
// type to look under or the read fails.
const char16_t* ReadOpenCommand(const char16_t* file_type, char16_t* out) {
    char16_t key[kCommandKeySize];
    if (file_type == nullptr || !ComposeCommandKey(file_type, key, kCommandKeySize)) return nullptr;
    return ReadRegistryString(HKEY_CLASSES_ROOT, AsWide(key), nullptr, out, kCommandTemplateSize);
}

bool StartProcess(const char16_t* program, char16_t* command_line) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(AsWide(program), AsWide(command_line), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// Loads shell32 and sets up COM as ShellExecuteExW asks of its caller: apartment-threaded, with
// OLE1 DDE off. Looked up through void*, as GetProcAddress's untyped result must be.
void StartShell(ShellSession* shell) {
    shell->tried = true;
    HMODULE ole32 = LoadSystemLibrary(u"ole32.dll");
    HMODULE shell32 = LoadSystemLibrary(u"shell32.dll");
    if (shell32 == nullptr) return;
    using CoInitializeExFunction = HRESULT(WINAPI*)(void*, DWORD);
    auto initialize = ole32 == nullptr
                          ? nullptr
                          : reinterpret_cast<CoInitializeExFunction>(
                                reinterpret_cast<void*>(GetProcAddress(ole32, "CoInitializeEx")));
    if (initialize != nullptr)
        initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    shell->execute = reinterpret_cast<BOOL(WINAPI*)(SHELLEXECUTEINFOW*)>(
        reinterpret_cast<void*>(GetProcAddress(shell32, "ShellExecuteExW")));
}

bool OpenWithShell(ShellSession* shell, HWND owner, const char16_t* target,
                   const char16_t* directory) {
    if (!shell->tried) StartShell(shell);
    if (shell->execute == nullptr) return false;
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    // No error box of the shell's own: when nothing starts, the plan's message says so.
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner;
    info.lpVerb = L"open";
    info.lpFile = AsWide(target);
    info.lpDirectory = AsWide(directory);
    info.nShow = SW_SHOW;
    return shell->execute(&info) != FALSE;
}

}  // namespace

BrowserFacts ReadBrowserFacts(const char* scheme, BrowserFactBuffers* buffers,
                              const char16_t** file_type) {
    char16_t chosen_type[kRegistryValueSize];
    char16_t chosen_command[kCommandTemplateSize];
    char16_t registered_type[kRegistryValueSize];
    char16_t registered_command[kCommandTemplateSize];
    HtmAssociation association = {};
    association.chosen_type = ReadRegistryString(HKEY_CURRENT_USER, kHtmUserChoiceKey, L"ProgId",
                                                 chosen_type, kRegistryValueSize);
    association.chosen_command = ReadOpenCommand(association.chosen_type, chosen_command);
    association.registered_type = ReadRegistryString(HKEY_CLASSES_ROOT, L".htm", nullptr,
                                                     registered_type, kRegistryValueSize);
    association.registered_command =
        ReadOpenCommand(association.registered_type, registered_command);

    BrowserFacts facts = {};
    facts.has_web_default = HasWebDefault(scheme);
    if (ReadSystemDirectory(buffers->system_directory, kSystemDirectorySize))
        facts.system_directory = buffers->system_directory;
    const char16_t* command_template = nullptr;
    const char16_t* used_type = ChooseBrowserFileType(association, &command_template);
    *file_type = nullptr;
    if (used_type != nullptr) {
        // Both point into the buffers above, which fit those of `buffers`.
        WideText type = StartText(buffers->file_type, kRegistryValueSize);
        WideText command = StartText(buffers->command_template, kCommandTemplateSize);
        AppendText(&type, used_type);
        AppendText(&command, command_template);
        *file_type = buffers->file_type;
        facts.command_template = buffers->command_template;
    }
    return facts;
}

bool ReadModulePath(char16_t* out, size_t out_size) {
    if (out_size == 0) return false;
    DWORD length = GetModuleFileNameW(nullptr, AsWide(out), static_cast<DWORD>(out_size));
    // A path cut to the buffer comes back as the buffer's size, not always zero-terminated.
    if (length == 0 || length >= out_size) return EmptyAndFail(out, out_size);
    return true;
}

void CarryOutPlan(const LaunchPlan& plan, HWND owner, ShellSession* shell, DesktopShell* desktop) {
    for (int i = 0; i < plan.count; ++i) {
        const LaunchStep& step = plan.steps[i];
        switch (step.way) {
            case LaunchWay::kProcess:
                if (StartProcess(step.program, step.command_line)) return;
                break;
            case LaunchWay::kShell:
                if (OpenWithShell(shell, owner, step.target, step.directory)) return;
                break;
            case LaunchWay::kDesktopShell:
                switch (OpenWithDesktopShell(&shell->com, desktop, step)) {
                    case HandOver::kStarted: return;
                    case HandOver::kNotStarted: break;
                    // It may still open: a second start would open it twice.
                    case HandOver::kNotAnswered:
                        MessageBoxW(owner, AsWide(step.message), AsWide(step.caption),
                                    MB_OK | MB_ICONINFORMATION);
                        return;
                }
                break;
            case LaunchWay::kMessage:
                MessageBoxW(owner, AsWide(step.message), AsWide(step.caption),
                            MB_OK | (step.under_way ? MB_ICONINFORMATION : MB_ICONWARNING));
                return;
        }
    }
}
