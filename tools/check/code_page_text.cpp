#include "code_page_text.h"

#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace {

bool Refuse(char16_t* out, size_t out_size) {
    if (out_size > 0) out[0] = 0;
    return false;
}

bool WidenEachByte(const char* bytes, char16_t* out, size_t out_size) {
    size_t length = strlen(bytes);
    if (length >= out_size) return Refuse(out, out_size);
    for (size_t i = 0; i <= length; ++i) out[i] = static_cast<unsigned char>(bytes[i]);
    return true;
}

void PutCodePoint(unsigned long code_point, FILE* file) {
    if (code_point < 0x80) {
        fputc(static_cast<int>(code_point), file);
    } else if (code_point < 0x800) {
        fputc(static_cast<int>(0xC0 | (code_point >> 6)), file);
        fputc(static_cast<int>(0x80 | (code_point & 0x3F)), file);
    } else if (code_point < 0x10000) {
        fputc(static_cast<int>(0xE0 | (code_point >> 12)), file);
        fputc(static_cast<int>(0x80 | ((code_point >> 6) & 0x3F)), file);
        fputc(static_cast<int>(0x80 | (code_point & 0x3F)), file);
    } else {
        fputc(static_cast<int>(0xF0 | (code_point >> 18)), file);
        fputc(static_cast<int>(0x80 | ((code_point >> 12) & 0x3F)), file);
        fputc(static_cast<int>(0x80 | ((code_point >> 6) & 0x3F)), file);
        fputc(static_cast<int>(0x80 | (code_point & 0x3F)), file);
    }
}

}  // namespace

bool DecodeCodePage(unsigned code_page, const char* bytes, char16_t* out, size_t out_size) {
    if (out_size == 0) return false;
#ifdef _WIN32
    int length = MultiByteToWideChar(code_page, 0, bytes, -1, reinterpret_cast<wchar_t*>(out),
                                     static_cast<int>(out_size));
    if (length > 0) return true;
    if (GetLastError() == ERROR_INSUFFICIENT_BUFFER) return Refuse(out, out_size);
    return WidenEachByte(bytes, out, out_size);
#else
    char name[16];
    snprintf(name, sizeof name, "CP%u", code_page);
    iconv_t converter = iconv_open("UTF-16LE", name);
    if (converter == reinterpret_cast<iconv_t>(-1)) return WidenEachByte(bytes, out, out_size);
    char* in = const_cast<char*>(bytes);
    size_t in_left = strlen(bytes);
    char* to = reinterpret_cast<char*>(out);
    size_t to_left = (out_size - 1) * sizeof(char16_t);
    size_t result = iconv(converter, &in, &in_left, &to, &to_left);
    iconv_close(converter);
    if (result == static_cast<size_t>(-1)) return WidenEachByte(bytes, out, out_size);
    out[(out_size - 1) - to_left / sizeof(char16_t)] = 0;
    return true;
#endif
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
        if (used + units >= out_size) return Refuse(out, out_size);
        if (units == 2) {
            out[used++] = static_cast<char16_t>(0xD800 + ((code_point - 0x10000) >> 10));
            out[used++] = static_cast<char16_t>(0xDC00 + ((code_point - 0x10000) & 0x3FF));
        } else {
            out[used++] = static_cast<char16_t>(code_point);
        }
    }
    if (used >= out_size) return Refuse(out, out_size);
    out[used] = 0;
    return true;
}

void PutUtf8(const char16_t* text, FILE* file) {
    for (; *text != 0; ++text) {
        unsigned long unit = *text;
        if (unit >= 0xD800 && unit < 0xDC00 && text[1] >= 0xDC00 && text[1] < 0xE000) {
            PutCodePoint(0x10000 + ((unit - 0xD800) << 10) + (text[1] - 0xDC00), file);
            ++text;
        } else {
            PutCodePoint(unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit, file);
        }
    }
}
