// The text conversions that need no table of a code page, for both builds of the check tool;
// code_page_text_host.cpp and code_page_text_win32.cpp hold the ones that do.
#include "code_page_text.h"

#include <string.h>

#include "launch/wide_text.h"

size_t Utf8SequenceLength(const unsigned char* p, size_t left) {
    unsigned char first = p[0];
    if (first < 0x80) return 1;
    size_t length = first >= 0xC2 && first <= 0xDF   ? 2
                    : first >= 0xE0 && first <= 0xEF ? 3
                    : first >= 0xF0 && first <= 0xF4 ? 4
                                                     : 0;
    if (length == 0 || left < length) return 0;
    for (size_t i = 1; i < length; ++i)
        if ((p[i] & 0xC0) != 0x80) return 0;
    if ((first == 0xE0 && p[1] < 0xA0) || (first == 0xED && p[1] > 0x9F) ||
        (first == 0xF0 && p[1] < 0x90) || (first == 0xF4 && p[1] > 0x8F))
        return 0;
    return length;
}

size_t CodePointToUtf8(unsigned long code_point, char* out) {
    if (code_point < 0x80) {
        out[0] = static_cast<char>(code_point);
        return 1;
    }
    size_t length = code_point < 0x800 ? 2 : code_point < 0x10000 ? 3 : 4;
    static const unsigned char kFirst[] = {0, 0, 0xC0, 0xE0, 0xF0};
    for (size_t i = length - 1; i > 0; --i, code_point >>= 6)
        out[i] = static_cast<char>(0x80 | (code_point & 0x3F));
    out[0] = static_cast<char>(kFirst[length] | code_point);
    return length;
}

bool IsUtf8(const char* text, size_t size) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    for (size_t i = 0; i < size;) {
        size_t length = Utf8SequenceLength(p + i, size - i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

void AsciiToUtf8(const char* text, char* out, size_t out_size) {
    size_t length = 0;
    for (; *text != '\0'; ++text) {
        bool ascii = static_cast<unsigned char>(*text) < 0x80;
        size_t needed = ascii ? 1 : kReplacementLength;
        if (length + needed >= out_size) break;
        memcpy(out + length, ascii ? text : kReplacementUtf8, needed);
        length += needed;
    }
    out[length] = '\0';
}

bool DecodeUtf8(const char* text, char16_t* out, size_t out_size) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    size_t used = 0;
    while (*p != 0) {
        unsigned long code_point = 0xFFFD;
        int extra = *p >= 0xF0 ? 3 : *p >= 0xE0 ? 2 : *p >= 0xC0 ? 1 : 0;
        unsigned long value = extra == 3 ? (*p & 0x07) : extra == 2 ? (*p & 0x0F) : (*p & 0x1F);
        int taken = 1;
        if (*p < 0x80) {
            code_point = *p;
        } else if (extra > 0) {
            while (taken <= extra && (p[taken] & 0xC0) == 0x80)
                value = (value << 6) | (p[taken++] & 0x3F);
            if (taken == extra + 1) code_point = value;
        }
        p += taken;
        size_t units = code_point >= 0x10000 ? 2 : 1;
        if (used + units >= out_size) return EmptyAndFail(out, out_size);
        if (units == 2) {
            out[used++] = static_cast<char16_t>(0xD800 + ((code_point - 0x10000) >> 10));
            out[used++] = static_cast<char16_t>(0xDC00 + ((code_point - 0x10000) & 0x3FF));
        } else {
            out[used++] = static_cast<char16_t>(code_point);
        }
    }
    if (used >= out_size) return EmptyAndFail(out, out_size);
    out[used] = 0;
    return true;
}

bool LooksLikeUtf8(const char* text, size_t size) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    bool beyond_ascii = false;
    for (size_t i = 0; i < size;) {
        size_t length = Utf8SequenceLength(p + i, size - i);
        if (length == 0) return false;
        beyond_ascii = beyond_ascii || length > 1;
        i += length;
    }
    return beyond_ascii;
}

const char* ConversionProblem(TextConversion result, const char* what) {
    static char problem[160];
    const char* reason = result == TextConversion::kNotUtf8 ? "is not UTF-8"
                         : result == TextConversion::kNotInCodePage
                             ? "holds a character that the code page cannot hold"
                         : result == TextConversion::kTooLong
                             ? "is longer than a command line can be"
                             : "cannot be converted: this system does not know the code page";
    snprintf(problem, sizeof problem, "--utf8: %s %s", what, reason);
    return problem;
}
