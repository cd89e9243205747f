// A little reader over the bytes of a dialog template resource, plain or extended.
#pragma once

#include <windows.h>

#include "driver.h"

struct TemplateReader {
    const BYTE* at;
    const BYTE* end;
    bool ok;

    WORD Word() {
        if (end - at < 2) return ok = false, 0;
        WORD value = static_cast<WORD>(at[0] | at[1] << 8);
        at += 2;
        return value;
    }
    DWORD Dword() {
        WORD low = Word();
        return low | static_cast<DWORD>(Word()) << 16;
    }
    void AlignDword(const BYTE* base) {
        while ((at - base) % 4 != 0) ++at;
    }
    // A string or an ordinal (0xFFFF and a number); a string comes out in code page 932.
    void StringOrOrdinal(char* out, size_t out_size, int* ordinal) {
        *ordinal = -1;
        out[0] = '\0';
        wchar_t wide[kTextSize];
        size_t length = 0;
        WORD first = Word();
        if (first == 0xFFFF) {
            *ordinal = Word();
            return;
        }
        for (WORD c = first; ok && c != 0; c = Word())
            if (length + 1 < kTextSize) wide[length++] = c;
        wide[length] = 0;
        int bytes = WideCharToMultiByte(932, 0, wide, static_cast<int>(length), out,
                                        static_cast<int>(out_size) - 1, nullptr, nullptr);
        out[bytes > 0 ? bytes : 0] = '\0';
    }
};

// The class of a control that the template names by one of the predefined ordinals.
inline const char* OrdinalClass(int ordinal) {
    switch (ordinal) {
        case 0x80: return "Button";
        case 0x81: return "Edit";
        case 0x82: return "Static";
    }
    return "?";
}
