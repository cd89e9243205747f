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

bool ReadHtmCommandTemplate(char* out, size_t out_size) {
    if (out_size == 0) return false;
    out[0] = '\0';
    char file_type[kRegistryValueSize];
    char key[kCommandKeySize];
    char command_template[kRegistryValueSize];
    if (ReadClassesRootDefault(".htm", file_type) != ERROR_SUCCESS ||
        !ComposeCommandKey(file_type, key, sizeof key) ||
        ReadClassesRootDefault(key, command_template) != ERROR_SUCCESS)
        return false;
    size_t length = strlen(command_template);
    if (length >= out_size) return false;
    memcpy(out, command_template, length + 1);
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
    char command_template[kRegistryValueSize];
    char command[kBrowserCommandSize];
    if (!ReadHtmCommandTemplate(command_template, sizeof command_template) ||
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
