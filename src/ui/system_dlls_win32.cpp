#include "ui/system_dlls_win32.h"

#include <windows.h>

void LoadSystemDllsFromSystem32Only() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    if (kernel32 == nullptr) return;
    // Through void*, as GetProcAddress's untyped result must be.
    auto set_default_dll_directories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDefaultDllDirectories")));
    if (set_default_dll_directories != nullptr)
        set_default_dll_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}
