// The Win32 half of the launchers: registry reads, the module path and WinExec. It decides
// nothing; launch_commands.cpp composes every command line.
#include "launch/launch.h"

#include <string.h>

LONG ReadClassesRootDefault(const char* subkey, char* out) {
    HKEY key;
    LONG error = RegOpenKeyExA(HKEY_CLASSES_ROOT, subkey, 0, KEY_QUERY_VALUE, &key);
    if (error != ERROR_SUCCESS) return error;
    // Zeroed so that a value stored without its terminating zero still ends inside the buffer.
    char value[kRegistryValueSize] = {};
    LONG size = sizeof value;
    error = RegQueryValueA(key, nullptr, value, &size);
    RegCloseKey(key);
    if (error != ERROR_SUCCESS) return error;
    if (value[sizeof value - 1] != '\0') return ERROR_MORE_DATA;
    memcpy(out, value, sizeof value);
    return ERROR_SUCCESS;
}

namespace {

const char kUserChoiceKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.htm\\UserChoice";

// The ProgId of the user's choice for ".htm" into `out` (kRegistryValueSize bytes), by the same
// rules as ReadClassesRootDefault.
LONG ReadUserChoiceProgId(char* out) {
    HKEY key;
    LONG error = RegOpenKeyExA(HKEY_CURRENT_USER, kUserChoiceKey, 0, KEY_QUERY_VALUE, &key);
    if (error != ERROR_SUCCESS) return error;
    char value[kRegistryValueSize] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof value;
    error = RegQueryValueExA(key, "ProgId", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (error != ERROR_SUCCESS) return error;
    if (type != REG_SZ) return ERROR_INVALID_DATA;
    if (value[sizeof value - 1] != '\0') return ERROR_MORE_DATA;
    memcpy(out, value, sizeof value);
    return ERROR_SUCCESS;
}

// The open command of `file_type` into `out` (kRegistryValueSize bytes); null when there is no
// type to look under or the read fails.
const char* ReadOpenCommand(const char* file_type, char* out) {
    char key[kCommandKeySize];
    if (file_type == nullptr || !ComposeCommandKey(file_type, key, sizeof key) ||
        ReadClassesRootDefault(key, out) != ERROR_SUCCESS)
        return nullptr;
    return out;
}

}  // namespace

bool ReadBrowserCommandTemplate(char* file_type, char* command_template) {
    char chosen_type[kRegistryValueSize];
    char chosen_command[kRegistryValueSize];
    char registered_type[kRegistryValueSize];
    char registered_command[kRegistryValueSize];
    HtmAssociation association = {};
    if (ReadUserChoiceProgId(chosen_type) == ERROR_SUCCESS) association.chosen_type = chosen_type;
    association.chosen_command = ReadOpenCommand(association.chosen_type, chosen_command);
    if (ReadClassesRootDefault(".htm", registered_type) == ERROR_SUCCESS)
        association.registered_type = registered_type;
    association.registered_command =
        ReadOpenCommand(association.registered_type, registered_command);

    const char* used_template = nullptr;
    const char* used_type = ChooseBrowserFileType(association, &used_template);
    if (used_type == nullptr) {
        file_type[0] = '\0';
        command_template[0] = '\0';
        return false;
    }
    // Both point into the buffers above, each kRegistryValueSize bytes.
    memcpy(file_type, used_type, kRegistryValueSize);
    memcpy(command_template, used_template, kRegistryValueSize);
    return true;
}

bool ReadModulePath(char* out, size_t out_size) {
    if (out_size == 0) return false;
    DWORD length = GetModuleFileNameA(nullptr, out, static_cast<DWORD>(out_size));
    // A path cut to the buffer comes back as the buffer's size, not always zero-terminated.
    if (length == 0 || length >= out_size) {
        out[0] = '\0';
        return false;
    }
    return true;
}

void OpenUrlInBrowser(const char* url) {
    char file_type[kRegistryValueSize];
    char command_template[kRegistryValueSize];
    char command[kBrowserCommandSize];
    if (!ReadBrowserCommandTemplate(file_type, command_template) ||
        !ComposeBrowserCommand(command_template, url, command, sizeof command))
        return;
    WinExec(command, SW_SHOW);
}

void OpenReadme(const RegistrationOptions& options, const CharClass& classes) {
    char module_path[kModulePathSize];
    const char* path = nullptr;
    if ((options.readme == nullptr || options.readme[0] == '\0') &&
        ReadModulePath(module_path, sizeof module_path))
        path = module_path;
    char command[kReadmeCommandSize];
    if (!ComposeReadmeCommand(options.readme, path, classes, command, sizeof command)) return;
    WinExec(command, SW_SHOW);
}
