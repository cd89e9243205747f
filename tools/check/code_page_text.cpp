#include "code_page_text.h"

#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#include <iconv.h>
#endif
#include <stdio.h>

namespace {

constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";  // U+FFFD
constexpr size_t kReplacementLength = sizeof kReplacementUtf8 - 1;

// Length of the UTF-8 sequence at `p`, or 0 when none starts there: overlong forms, surrogates
// and code points beyond U+10FFFF are no sequences, as no UTF-8 encoder writes them.
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

bool IsUtf8(const char* text, size_t size) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    for (size_t i = 0; i < size;) {
        size_t length = Utf8SequenceLength(p + i, size - i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

// Without a table for the code page, ASCII is still ASCII in every code page the program meets.
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

#ifndef _WIN32

// An iconv descriptor between UTF-8 and a Windows code page by its number, closed on leaving.
class CodePageConverter {
public:
    CodePageConverter(unsigned code_page, bool to_code_page) {
        char name[16];
        if (code_page == kUtf8CodePage)
            snprintf(name, sizeof name, "UTF-8");
        else
            snprintf(name, sizeof name, "CP%u", code_page);
        descriptor_ = to_code_page ? iconv_open(name, "UTF-8") : iconv_open("UTF-8", name);
    }
    ~CodePageConverter() {
        if (known()) iconv_close(descriptor_);
    }
    CodePageConverter(const CodePageConverter&) = delete;
    CodePageConverter& operator=(const CodePageConverter&) = delete;

    bool known() const { return descriptor_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of the input as fits; false with errno set when it stops early.
    bool Convert(const char** in, size_t* in_left, char** out, size_t* out_left) const {
        char* input = const_cast<char*>(*in);
        size_t result = iconv(descriptor_, &input, in_left, out, out_left);
        *in = input;
        return result != static_cast<size_t>(-1);
    }

private:
    iconv_t descriptor_;
};

}  // namespace

TextConversion Utf8ToCodePage(const char* text, size_t size, unsigned code_page, char* out,
                              size_t out_size) {
    CodePageConverter converter(code_page, true);
    if (!converter.known()) return TextConversion::kUnknownCodePage;
    if (!IsUtf8(text, size)) return TextConversion::kNotUtf8;
    if (out_size == 0) return TextConversion::kTooLong;
    char* written = out;
    size_t room = out_size - 1;
    if (!converter.Convert(&text, &size, &written, &room))
        return errno == E2BIG ? TextConversion::kTooLong : TextConversion::kNotInCodePage;
    *written = '\0';
    return TextConversion::kConverted;
}

void CodePageToUtf8(const char* text, unsigned code_page, char* out, size_t out_size) {
    if (out_size == 0) return;
    CodePageConverter converter(code_page, false);
    if (!converter.known()) return AsciiToUtf8(text, out, out_size);
    size_t left = strlen(text);
    char* written = out;
    size_t room = out_size - 1;
    while (left > 0 && !converter.Convert(&text, &left, &written, &room)) {
        if (errno == E2BIG || room < kReplacementLength) break;
        memcpy(written, kReplacementUtf8, kReplacementLength);
        written += kReplacementLength;
        room -= kReplacementLength;
        ++text;
        --left;
    }
    *written = '\0';
}

bool IsCodePageText(const char* text, size_t size, unsigned code_page) {
    CodePageConverter converter(code_page, false);
    if (!converter.known()) return true;
    char scratch[256];
    while (size > 0) {
        char* written = scratch;
        size_t room = sizeof scratch;
        if (!converter.Convert(&text, &size, &written, &room) && errno != E2BIG) return false;
    }
    return true;
}

#else  // _WIN32

constexpr size_t kWideSize = 32768;  // a command line's limit, in UTF-16 units with its zero

// These reject the best-fit flag and the report of a default character.
bool IsUtfCodePage(unsigned code_page) {
    return code_page == CP_UTF7 || code_page == CP_UTF8;
}

}  // namespace

TextConversion WideToCodePage(const wchar_t* text, unsigned code_page, char* out, size_t out_size) {
    if (!IsValidCodePage(code_page)) return TextConversion::kUnknownCodePage;
    if (out_size == 0) return TextConversion::kTooLong;
    int length = lstrlenW(text);
    if (length == 0) {
        out[0] = '\0';
        return TextConversion::kConverted;
    }
    bool utf = IsUtfCodePage(code_page);
    BOOL used_default = FALSE;
    int written =
        WideCharToMultiByte(code_page, utf ? 0 : WC_NO_BEST_FIT_CHARS, text, length, out,
                            static_cast<int>(out_size - 1), nullptr, utf ? nullptr : &used_default);
    if (written == 0)
        return GetLastError() == ERROR_INSUFFICIENT_BUFFER ? TextConversion::kTooLong
                                                           : TextConversion::kNotInCodePage;
    if (used_default) return TextConversion::kNotInCodePage;
    out[written] = '\0';
    return TextConversion::kConverted;
}

TextConversion Utf8ToCodePage(const char* text, size_t size, unsigned code_page, char* out,
                              size_t out_size) {
    if (!IsValidCodePage(code_page)) return TextConversion::kUnknownCodePage;
    if (!IsUtf8(text, size)) return TextConversion::kNotUtf8;
    static wchar_t wide[kWideSize];
    int length = 0;
    if (size > 0) {
        length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, static_cast<int>(size),
                                     wide, kWideSize - 1);
        if (length == 0) return TextConversion::kTooLong;
    }
    wide[length] = L'\0';
    return WideToCodePage(wide, code_page, out, out_size);
}

void CodePageToUtf8(const char* text, unsigned code_page, char* out, size_t out_size) {
    if (out_size == 0) return;
    static wchar_t wide[kWideSize];
    int length = text[0] == '\0' ? 1 : MultiByteToWideChar(code_page, 0, text, -1, wide, kWideSize);
    if (length == 0) return AsciiToUtf8(text, out, out_size);
    wide[length - 1] = L'\0';
    // A text too long for `out` is cut after its last whole character that fits.
    int units = length - 1;
    int written = 0;
    while (units > 0 &&
           (written = WideCharToMultiByte(CP_UTF8, 0, wide, units, out,
                                          static_cast<int>(out_size - 1), nullptr, nullptr)) == 0)
        --units;
    out[written] = '\0';
}

bool IsCodePageText(const char* text, size_t size, unsigned code_page) {
    if (size == 0 || !IsValidCodePage(code_page)) return true;
    if (MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, text, static_cast<int>(size), nullptr,
                            0) != 0)
        return true;
    return GetLastError() != ERROR_NO_UNICODE_TRANSLATION;
}

#endif  // _WIN32

namespace {

bool Refuse(char16_t* out, size_t out_size) {
    if (out_size > 0) out[0] = 0;
    return false;
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
    // A code page Windows does not know: each byte a unit of the same value.
    size_t bytes_length = strlen(bytes);
    if (bytes_length >= out_size) return Refuse(out, out_size);
    for (size_t i = 0; i <= bytes_length; ++i) out[i] = static_cast<unsigned char>(bytes[i]);
    return true;
#else
    // Through UTF-8, with the same tables as --utf8 and a replacement for a byte that is no
    // character.
    static char utf8[3 * 32768];
    CodePageToUtf8(bytes, code_page, utf8, sizeof utf8);
    return DecodeUtf8(utf8, out, out_size);
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
