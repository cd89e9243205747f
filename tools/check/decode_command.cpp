#include "decode_command.h"

#include <stdio.h>
#include <string.h>

#include "check_output.h"
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

// Whether `text` holds a control character, which the output shows as \xNN.
bool HasControl(const char16_t* text) {
    for (; *text != 0; ++text)
        if (IsControl(*text)) return true;
    return false;
}

void PrintAmbiguity(const char* key, const char* decoded, const KanaAmbiguity& ambiguity) {
    const char katakana[3] = {decoded[ambiguity.offset], decoded[ambiguity.offset + 1], '\0'};
    char16_t wide[4];
    DecodeCodePage(kFormCodePage, katakana, wide, sizeof wide / sizeof wide[0]);
    Say(Stream::kOut, "note: %s: character %lu (", key,
        static_cast<unsigned long>(ambiguity.character));
    PutWide(Stream::kOut, wide);
    Say(Stream::kOut, ") reads as katakana; it may have been typed as \"%s\"\n", ambiguity.typed);
}

void PrintDetail(const char* address, const char* key, const CharClass& classes) {
    static char decoded[kDecodedSize + 1];
    static char16_t wide[kDecodedSize + 1];
    size_t length = 0;
    const char* raw = FindQueryValue(address, key, &length);
    Say(Stream::kOut, "%s: ", key);
    if (raw == nullptr) {
        Say(Stream::kOut, "(none)\n");
        return;
    }
    DecodeNotes notes;
    DecodeQueryValue(raw, length, classes, decoded, sizeof decoded, &notes);
    DecodeCodePage(kFormCodePage, decoded, wide, sizeof wide / sizeof wide[0]);
    PutWide(Stream::kOut, wide);
    Say(Stream::kOut, "\n");
    if (HasControl(wide))
        Say(Stream::kOut, "note: %s: control characters are shown as \\xNN\n", key);
    for (size_t i = 0; i < notes.ambiguity_count && i < kAmbiguitiesKept; ++i)
        PrintAmbiguity(key, decoded, notes.ambiguities[i]);
    if (notes.ambiguity_count > kAmbiguitiesKept)
        Say(Stream::kOut, "note: %s: %lu more such characters\n", key,
            static_cast<unsigned long>(notes.ambiguity_count - kAmbiguitiesKept));
}

}  // namespace

int RunDecode(const char* address) {
    if (strlen(address) >= kAddressLimit) {
        Say(Stream::kErr,
            "regcomplete-check: --decode: the address is longer than a command line can be\n");
        return 2;
    }
    CharClass classes;
    SetUpCharClass(&classes, kFormCodePage, nullptr);
    for (const OptionRow& option : kOptions) {
        if (IsDetail(option)) PrintDetail(address, option.query_key, classes);
    }
    return 0;
}
