// The check tool's conversions on the host, with glibc's iconv tables.
#include <errno.h>
#include <iconv.h>
#include <stdio.h>
#include <string.h>

#include "code_page_text.h"

namespace {

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

bool DecodeCodePage(unsigned code_page, const char* bytes, char16_t* out, size_t out_size) {
    if (out_size == 0) return false;
    // Through UTF-8, with the same tables as --utf8 and a replacement for a byte that is no
    // character.
    static char utf8[3 * 32768];
    CodePageToUtf8(bytes, code_page, utf8, sizeof utf8);
    return DecodeUtf8(utf8, out, out_size);
}

size_t EncodeCharacter(unsigned code_page, const char16_t* units, size_t count, char* out,
                       size_t out_size) {
    unsigned long code_point = units[0];
    if (count == 2) code_point = 0x10000 + ((code_point - 0xD800) << 10) + (units[1] - 0xDC00);
    char utf8[4];
    size_t utf8_length = CodePointToUtf8(code_point, utf8);
    if (Utf8ToCodePage(utf8, utf8_length, code_page, out, out_size) != TextConversion::kConverted)
        return 0;
    return strlen(out);
}
