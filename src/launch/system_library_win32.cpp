#include "launch/system_library_win32.h"

#include "launch/launch_plan.h"
#include "launch/wide_text.h"

bool ReadSystemDirectory(char16_t* out, size_t out_size) {
    UINT length = GetSystemDirectoryW(AsWide(out), static_cast<UINT>(out_size));
    if (length == 0 || length >= out_size) return EmptyAndFail(out, out_size);
    return true;
}

HMODULE LoadSystemLibrary(const char16_t* name) {
    char16_t directory[kSystemDirectorySize];
    char16_t path[kSystemDirectorySize + 16];
    WideText full = StartText(path, sizeof path / sizeof path[0]);
    if (!ReadSystemDirectory(directory, kSystemDirectorySize) || !AppendText(&full, directory) ||
        !AppendText(&full, u"\\") || !AppendText(&full, name))
        return nullptr;
    return LoadLibraryW(AsWide(path));
}
