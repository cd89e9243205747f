// The query value encoder. Double-byte characters and half-width katakana are escaped as the
// registration form expects; besides them only the bytes that would break the address or the
// browser's command line are escaped, and everything else passes unchanged.
#include "request/query_encoding.h"

namespace {

// Appends `byte` as "%XX" when there is room for it and the terminating zero.
bool AppendEscaped(unsigned char byte, char* out, size_t out_size, size_t* length) {
    static const char kHexDigits[] = "0123456789ABCDEF";
    if (*length + 3 >= out_size) return false;
    out[(*length)++] = '%';
    out[(*length)++] = kHexDigits[byte >> 4];
    out[(*length)++] = kHexDigits[byte & 0x0F];
    return true;
}

bool AppendPlain(unsigned char byte, char* out, size_t out_size, size_t* length) {
    if (*length + 1 >= out_size) return false;
    out[(*length)++] = static_cast<char>(byte);
    return true;
}

// Appends the encoding of the character at `value`; returns the bytes it took from `value`,
// 0 at the end of the value (a lone lead byte included), or -1 when `out` is full.
int AppendCharacter(const unsigned char* value, const CharClass& classes, char* out,
                    size_t out_size, size_t* length) {
    unsigned char byte = value[0];
    if (byte == 0) return 0;
    if (IsLeadByte(classes, byte)) {
        if (value[1] == 0) return 0;
        bool fits = AppendEscaped(byte, out, out_size, length) &&
                    AppendEscaped(value[1], out, out_size, length);
        return fits ? 2 : -1;
    }
    if (IsKanaByte(classes, byte)) {
        uint16_t code = FullWidthKanaCode(byte);
        bool fits = AppendEscaped(code >> 8, out, out_size, length) &&
                    AppendEscaped(code & 0xFF, out, out_size, length);
        return fits ? 1 : -1;
    }
    bool fits = IsEscapedInQuery(byte) ? AppendEscaped(byte, out, out_size, length)
                                       : AppendPlain(byte, out, out_size, length);
    return fits ? 1 : -1;
}

}  // namespace

char* EncodeQueryValue(const char* value, const CharClass& classes, char* out, size_t out_size) {
    if (out_size == 0) return nullptr;
    const unsigned char* next = reinterpret_cast<const unsigned char*>(value);
    size_t length = 0;
    for (;;) {
        int taken = AppendCharacter(next, classes, out, out_size, &length);
        if (taken == 0) break;
        if (taken < 0) {
            out[0] = '\0';
            return nullptr;
        }
        next += taken;
    }
    out[length] = '\0';
    return out;
}
