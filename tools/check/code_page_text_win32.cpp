// The check tool's conversions on Windows, with Windows' own tables, as Windows converts an
// installer's command line.
#include <string.h>
#include <windows.h>

#include "code_page_text.h"
#include "launch/wide_text.h"

namespace {

constexpr size_t kWideSize = 32768;  // a command line's limit, in UTF-16 units with its zero

// Code pages whose conversion fails with the best-fit flag or the report of a default character
// (ERROR_INVALID_FLAGS, ERROR_INVALID_PARAMETER): the UTFs, GB18030, the ISO-2022 and ISCII ones,
// HZ and the symbol code page. For them a character is held when it converts back unchanged.
bool TakesNoFlags(unsigned code_page) {
    return code_page == 42 || (code_page >= 50220 && code_page <= 50229) || code_page == 52936 ||
           code_page == 54936 || (code_page >= 57002 && code_page <= 57011) ||
           code_page == CP_UTF7 || code_page == CP_UTF8;
}

// The `length` units of `text` as bytes of `code_page` in `out`, without a best-fit look-alike or
// a default character standing in for one the code page lacks: their count, 0 when they do not
// fit or a character is not held (GetLastError tells which).
int EncodeExactly(unsigned code_page, const wchar_t* text, int length, char* out, int out_size) {
    if (!TakesNoFlags(code_page)) {
        BOOL used_default = FALSE;
        int written = WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, text, length, out,
                                          out_size, nullptr, &used_default);
        if (written > 0 && used_default) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
        return written;
    }
    int written = WideCharToMultiByte(code_page, 0, text, length, out, out_size, nullptr, nullptr);
    if (written == 0) return 0;
    static wchar_t back[kWideSize];
    int back_length = MultiByteToWideChar(code_page, 0, out, written, back, kWideSize);
    if (back_length != length ||
        memcmp(back, text, static_cast<size_t>(length) * sizeof(wchar_t)) != 0) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    return written;
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
    int written = EncodeExactly(code_page, text, length, out, static_cast<int>(out_size - 1));
    if (written == 0)
        return GetLastError() == ERROR_INSUFFICIENT_BUFFER ? TextConversion::kTooLong
                                                           : TextConversion::kNotInCodePage;
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

bool DecodeCodePage(unsigned code_page, const char* bytes, char16_t* out, size_t out_size) {
    if (out_size == 0) return false;
    int length = MultiByteToWideChar(code_page, 0, bytes, -1, reinterpret_cast<wchar_t*>(out),
                                     static_cast<int>(out_size));
    if (length > 0) return true;
    if (GetLastError() == ERROR_INSUFFICIENT_BUFFER) return EmptyAndFail(out, out_size);
    // A code page Windows does not know: each byte a unit of the same value.
    size_t bytes_length = strlen(bytes);
    if (bytes_length >= out_size) return EmptyAndFail(out, out_size);
    for (size_t i = 0; i <= bytes_length; ++i) out[i] = static_cast<unsigned char>(bytes[i]);
    return true;
}

size_t EncodeCharacter(unsigned code_page, const char16_t* units, size_t count, char* out,
                       size_t out_size) {
    int length = EncodeExactly(code_page, reinterpret_cast<const wchar_t*>(units),
                               static_cast<int>(count), out, static_cast<int>(out_size));
    return length <= 0 ? 0 : static_cast<size_t>(length);
}
