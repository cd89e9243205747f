#include "decode_command.h"

#include <stdio.h>
#include <string.h>

#include "check_output.h"
#include "codepage/char_class.h"
#include "options/option_table.h"
#include "request/query_decoding.h"

namespace {

// What the form receives is Shift_JIS, whatever the code page of the system the tool runs on.
constexpr unsigned kFormCodePage = 932;
// A Windows command line holds at most 32,767 characters, and so does an address pasted into one.
// Decoding gives at most one UTF-16 unit a byte, with the same code on every platform.
constexpr size_t kAddressLimit = 32768;

bool IsControl(char16_t unit) {
    return unit < 0x20 || (unit >= 0x7F && unit < 0xA0);
}

// Whether `text` holds a control character, which the output shows as \xNN.
bool HasControl(const char16_t* text) {
    for (; *text != 0; ++text)
        if (IsControl(*text)) return true;
    return false;
}

void PrintAmbiguity(const char* key, const char16_t* decoded, const KanaAmbiguity& ambiguity) {
    const char16_t katakana[2] = {decoded[ambiguity.character - 1], 0};
    Say(Stream::kOut, "note: %s: character %lu (", key,
        static_cast<unsigned long>(ambiguity.character));
    PutWide(Stream::kOut, katakana);
    Say(Stream::kOut, ") reads as katakana; it may have been typed as \"%s\"\n", ambiguity.typed);
}

void PrintDetail(const char* address, const char* key, const CharClass& classes) {
    static char16_t decoded[kAddressLimit];
    size_t length = 0;
    const char* raw = FindQueryValue(address, key, &length);
    Say(Stream::kOut, "%s: ", key);
    if (raw == nullptr) {
        Say(Stream::kOut, "(none)\n");
        return;
    }
    DecodeNotes notes;
    DecodeQueryValue(raw, length, classes, decoded, sizeof decoded / sizeof decoded[0], &notes);
    PutWide(Stream::kOut, decoded);
    Say(Stream::kOut, "\n");
    if (HasControl(decoded))
        Say(Stream::kOut, "note: %s: control characters are shown as \\xNN or \\uNNNN\n", key);
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
