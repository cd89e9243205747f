// The check mode's losses (detail_losses.h). The whole tail is read by the program's own reader
// in windows of 511 bytes: each window starts where the reader stood after the last value it
// read whole in the one before, so that every option is read as the reader would read it with
// no limit.
#include "detail_losses.h"

#include <string.h>

#include "request/query_decoding.h"

namespace {

constexpr long kNotGiven = -1;
constexpr long kDropped = -2;  // given, but its value ends in half a character

// Where each row's value starts in `tail` when the whole tail is read: an offset, kNotGiven or
// kDropped.
void ReadWholeTail(const char* tail, const CharClass& classes, long* offsets) {
    static RegistrationOptions window;
    for (size_t row = 0; row < sizeof kOptions / sizeof kOptions[0]; ++row)
        offsets[row] = kNotGiven;
    size_t length = strlen(tail);
    size_t start = 0;
    for (;;) {
        unsigned mask = ParseOptions(tail + start, classes, &window);
        size_t next = start;
        for (size_t row = 0; row < sizeof kOptions / sizeof kOptions[0]; ++row) {
            const OptionRow& option = kOptions[row];
            if (option.field == nullptr || (mask & option.bit) == 0) continue;
            const char* value = window.*option.field;
            if (value == nullptr) {
                offsets[row] = kDropped;
                continue;
            }
            size_t at = start + static_cast<size_t>(value - window.command_copy);
            offsets[row] = static_cast<long>(at);
            // The reader goes on after the byte that ended the value.
            if (at + strlen(value) + 1 > next) next = at + strlen(value) + 1;
        }
        if (length - start < kCommandCopySize) return;
        if (next == start) {
            // No value ends inside the window: its first option is longer than the program
            // ever reads. Go on at the next slash.
            const char* slash = strchr(tail + start + 1, '/');
            if (slash == nullptr) return;
            next = static_cast<size_t>(slash - tail);
        }
        start = next;
    }
}

// "/U name": an empty value ended by a blank right after the letter, and text after it that is
// no option.
bool IsBlankAfterLetter(const char* tail, const RegistrationOptions& read, const char* value) {
    if (value == nullptr || value[0] != '\0' || value[-1] == '"') return false;
    const char* after = tail + (value - read.command_copy);
    if (*after != ' ') return false;
    while (*after == ' ') ++after;
    return *after != '\0' && *after != '/';
}

Loss LossOf(const LossFacts& facts, const OptionRow& option, long whole_offset) {
    if (whole_offset == kNotGiven || whole_offset == kDropped) return Loss::kNone;
    if ((facts.not_in_code_page & option.bit) != 0) return Loss::kNotInCodePage;
    const char* value = facts.read->*option.field;
    long read_offset = value != nullptr ? static_cast<long>(value - facts.read->command_copy) : -1;
    if (read_offset != whole_offset) return Loss::kPastReadLimit;
    if (IsBlankAfterLetter(facts.tail, *facts.read, value)) return Loss::kBlankAfterLetter;
    size_t length = 0;
    if (facts.address != nullptr && value[0] != '\0' &&
        FindQueryValue(facts.address, option.query_key, &length) == nullptr)
        return Loss::kNoRoom;
    return Loss::kNone;
}

}  // namespace

size_t FindLosses(const LossFacts& facts, DetailLoss* losses) {
    long offsets[sizeof kOptions / sizeof kOptions[0]];
    ReadWholeTail(facts.tail, *facts.classes, offsets);
    size_t count = 0;
    for (size_t row = 0; row < sizeof kOptions / sizeof kOptions[0]; ++row) {
        const OptionRow& option = kOptions[row];
        if (!IsDetail(option)) continue;
        Loss why = LossOf(facts, option, offsets[row]);
        if (why == Loss::kNone) continue;
        unsigned long character =
            why == Loss::kNotInCodePage
                ? FirstCharacterNotIn(facts.code_page, facts.wide->*option.wide_field)
                : 0;
        losses[count++] = DetailLoss{&option, why, character};
    }
    return count;
}

namespace {

// The UTF-8 of one code point into `out` (5 bytes); its length.
size_t EncodeUtf8(unsigned long code_point, char* out) {
    size_t length = code_point < 0x80 ? 1 : code_point < 0x800 ? 2 : code_point < 0x10000 ? 3 : 4;
    static const unsigned char kFirst[] = {0, 0, 0xC0, 0xE0, 0xF0};
    for (size_t i = length - 1; i > 0; --i) {
        out[i] = static_cast<char>(0x80 | (code_point & 0x3F));
        code_point >>= 6;
    }
    out[0] = static_cast<char>(length == 1 ? code_point : kFirst[length] | code_point);
    out[length] = '\0';
    return length;
}

bool IsInCodePage(const char* character, size_t length, unsigned code_page) {
    char converted[8];
    return Utf8ToCodePage(character, length, code_page, converted, sizeof converted) !=
           TextConversion::kNotInCodePage;
}

}  // namespace

unsigned long FirstCharacterNotIn(unsigned code_page, const char16_t* text) {
    if (text == nullptr) return 0;
    for (const char16_t* p = text; *p != 0; ++p) {
        unsigned long code_point = *p;
        if (code_point >= 0xD800 && code_point < 0xDC00 && p[1] >= 0xDC00 && p[1] < 0xE000)
            code_point = 0x10000 + ((code_point - 0xD800) << 10) + (*++p - 0xDC00);
        char character[5];
        size_t length = EncodeUtf8(code_point, character);
        if (!IsInCodePage(character, length, code_page)) return code_point;
    }
    return 0;
}

unsigned DetailsNotInCodePage(unsigned code_page, const WideOptions& wide) {
    unsigned cannot_hold = 0;
    for (const OptionRow& option : kOptions) {
        if (IsDetail(option) && FirstCharacterNotIn(code_page, wide.*option.wide_field) != 0)
            cannot_hold |= option.bit;
    }
    return cannot_hold;
}

TextConversion Utf8ToCodePageOrQuestionMark(const char* text, unsigned code_page, char* out,
                                            size_t out_size) {
    size_t size = strlen(text);
    TextConversion whole = Utf8ToCodePage(text, size, code_page, out, out_size);
    if (whole != TextConversion::kNotInCodePage) return whole;
    size_t used = 0;
    while (*text != '\0') {
        size_t length = Utf8SequenceLength(reinterpret_cast<const unsigned char*>(text), size);
        char converted[8];
        const char* piece = converted;
        if (Utf8ToCodePage(text, length, code_page, converted, sizeof converted) !=
            TextConversion::kConverted)
            piece = "?";
        size_t piece_length = strlen(piece);
        if (used + piece_length >= out_size) return TextConversion::kTooLong;
        memcpy(out + used, piece, piece_length);
        used += piece_length;
        text += length;
        size -= length;
    }
    out[used] = '\0';
    return TextConversion::kConverted;
}
