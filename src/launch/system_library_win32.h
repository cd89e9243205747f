// What the launch files take from the platform below them both: Windows' strings as the UTF-16
// the portable code holds, System32, and DLLs loaded from there by full path. Apart, so that
// launch_win32.cpp, which carries a plan out, and desktop_shell_win32.cpp, which it calls, both
// stand on it and neither reaches back up into the other.
#pragma once

#include <stddef.h>
#include <windows.h>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows strings are UTF-16");

inline wchar_t* AsWide(char16_t* text) {
    return reinterpret_cast<wchar_t*>(text);
}
inline const wchar_t* AsWide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}

// System32 (for a 32-bit program on 64-bit Windows, the folder Windows maps it to). False, with
// `out` empty, when the platform cannot give it whole.
bool ReadSystemDirectory(char16_t* out, size_t out_size);

// A DLL by its full path in System32, so that no other folder is ever searched for it.
HMODULE LoadSystemLibrary(const char16_t* name);
