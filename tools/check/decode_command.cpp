#include "decode_command.h"

#include <stdio.h>
#include <string.h>

#include "code_page_text.h"
#include "codepage/char_class.h"
#include "options/option_table.h"
#include "request/query_decoding.h"

namespace {

// What the form receives is Shift_JIS, whatever the code page of the system the tool runs on.
constexpr unsigned kFormCodePage = 932;
// A Windows command line holds at most 32,767 characters, and so does an address pasted into one.
constexpr size_t kAddressLimit = 32768;
// Decoding at most doubles the bytes (a bare half-width katakana byte becomes two).
constexpr size_t kDecodedSize = 2 * kAddressLimit;

bool IsControl(char16_t unit) {
    return unit < 0x20 || (unit >= 0x7F && unit < 0xA0);
}

// Writes `text` as UTF-8 with each control character as \xNN; true when there was one.
bool PutEscaped(const char16_t* text) {
    bool escaped = false;
    for (; *text != 0; ++text) {
        if (IsControl(*text)) {
            printf("\\x%02X", static_cast<unsigned>(*text));
            escaped = true;
            continue;
        }
        bool pair = *text >= 0xD800 && *text < 0xDC00 && text[1] >= 0xDC00 && text[1] < 0xE000;
        const char16_t unit[3] = {text[0], pair ? text[1] : char16_t{0}, 0};
        PutUtf8(unit, stdout);
        if (pair) ++text;
    }
    return escaped;
}

void PrintAmbiguity(const char* key, const char* decoded, const KanaAmbiguity& ambiguity) {
    const char katakana[3] = {decoded[ambiguity.offset], decoded[ambiguity.offset + 1], '\0'};
    char16_t wide[4];
    DecodeCodePage(kFormCodePage, katakana, wide, sizeof wide / sizeof wide[0]);
    printf("note: %s: character %zu (", key, ambiguity.character);
    PutUtf8(wide, stdout);
    printf(") reads as katakana; it may have been typed as \"%s\"\n", ambiguity.typed);
}

void PrintDetail(const char* address, const char* key, const CharClass& classes) {
    static char decoded[kDecodedSize + 1];
    static char16_t wide[kDecodedSize + 1];
    size_t length = 0;
    const char* raw = FindQueryValue(address, key, &length);
    printf("%s: ", key);
    if (raw == nullptr) {
        fputs("(none)\n", stdout);
        return;
    }
    DecodeNotes notes;
    DecodeQueryValue(raw, length, classes, decoded, sizeof decoded, &notes);
    DecodeCodePage(kFormCodePage, decoded, wide, sizeof wide / sizeof wide[0]);
    bool escaped = PutEscaped(wide);
    fputc('\n', stdout);
    if (escaped) printf("note: %s: control characters are shown as \\xNN\n", key);
    for (size_t i = 0; i < notes.ambiguity_count && i < kAmbiguitiesKept; ++i)
        PrintAmbiguity(key, decoded, notes.ambiguities[i]);
    if (notes.ambiguity_count > kAmbiguitiesKept)
        printf("note: %s: %zu more such characters\n", key,
               notes.ambiguity_count - kAmbiguitiesKept);
}

}  // namespace

int RunDecode(const char* address) {
    if (strlen(address) >= kAddressLimit) {
        fputs("regcomplete-check: --decode: the address is longer than a command line can be\n",
              stderr);
        return 2;
    }
    CharClass classes;
    SetUpCharClass(&classes, kFormCodePage, nullptr);
    for (const OptionRow& option : kOptions) {
        if (IsDetail(option)) PrintDetail(address, option.query_key, classes);
    }
    return 0;
}
