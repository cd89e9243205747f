// Reads the slash options. Every walk over the command copy steps over a lead byte together with
// its trail byte, so that a trail byte that looks like a quote or a blank never ends a value.
#include "options/options.h"

#include <string.h>

#include "options/options_internal.h"

namespace {

struct OptionField {
    char letter;
    unsigned bit;
    const char* RegistrationOptions::*field;  // null for W, which is a number
};

const OptionField kOptionFields[] = {
    {'R', kOptionReadme, &RegistrationOptions::readme},
    {'S', kOptionSerialNo, &RegistrationOptions::serialno},
    {'U', kOptionUserName, &RegistrationOptions::username},
    {'O', kOptionOrganization, &RegistrationOptions::organization},
    {'P', kOptionProductId, &RegistrationOptions::productid},
    {'W', kOptionOwnerWindow, nullptr},
    {'C', kOptionOwnerClass, &RegistrationOptions::owner_class},
    {'T', kOptionOwnerTitle, &RegistrationOptions::owner_title},
};

const OptionField* FindOption(char letter) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    for (const OptionField& option : kOptionFields) {
        if (option.letter == letter) return &option;
    }
    return nullptr;
}

bool IsConversionSpace(char byte) {
    return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

// Decimal conversion without any range test: the digits accumulate modulo 2^32, so a number
// beyond the 32-bit range wraps around instead of being clamped.
int32_t ToWrappedInt32(const char* text) {
    while (IsConversionSpace(*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) value = value * 10u + uint32_t(*text - '0');
    if (negative) value = 0u - value;
    return value <= 0x7FFFFFFFu ? int32_t(value) : int32_t(int64_t(value) - 0x100000000LL);
}

const OptionField* FindOptionByBit(unsigned bit) {
    for (const OptionField& option : kOptionFields) {
        if (option.bit == bit) return &option;
    }
    return nullptr;
}

}  // namespace

char* TakeValue(char* position, const CharClass& classes, const char** field) {
    char* p = position;
    bool quoted = *p == '"';
    if (quoted) ++p;
    *field = p;
    for (;;) {
        unsigned char byte = static_cast<unsigned char>(*p);
        if (byte == 0) return nullptr;
        if (IsLeadByte(classes, byte)) {
            if (p[1] == '\0') {
                *field = nullptr;
                return nullptr;
            }
            p += 2;
            continue;
        }
        if (byte == (quoted ? '"' : ' ')) {
            *p = '\0';
            return p[1] == '\0' ? nullptr : p + 1;
        }
        ++p;
    }
}

namespace {

// TakeValue, then the value's decimal conversion into `*number`, wrapping modulo 2^32. When the
// value is dropped, `*number` keeps what it had.
char* TakeNumber(char* position, const CharClass& classes, int32_t* number) {
    const char* value = nullptr;
    char* next = TakeValue(position, classes, &value);
    if (value != nullptr) *number = ToWrappedInt32(value);
    return next;
}

}  // namespace

char* NextOption(char* position, const CharClass& classes, RegistrationOptions* options,
                 unsigned* bit) {
    *bit = 0;
    char* slash = strchr(position, '/');
    if (slash == nullptr || slash[1] == '\0' || slash[2] == '\0') return nullptr;
    char* value = slash + 2;
    const OptionField* option = FindOption(slash[1]);
    if (option == nullptr) return value;
    *bit = option->bit;
    if (option->field == nullptr) return TakeNumber(value, classes, &options->owner_window);
    return TakeValue(value, classes, &(options->*(option->field)));
}

namespace {

// The copy holds the first 511 bytes of a longer tail. The value of the last option read may run
// into that cut: unless the tail's next byte would have ended it anyway, it is dropped like a
// value cut by a lone lead byte, so that no detail is ever read cut short.
void DropValueCutByTheCopy(RegistrationOptions* options, const char* last_position,
                           const OptionField& option, int32_t owner_window_before,
                           char next_tail_byte) {
    const char* value = strchr(last_position, '/') + 2;
    bool quoted = *value == '"';
    size_t to_copy_end = static_cast<size_t>(options->command_copy + kCommandCopySize - 1 - value);
    bool runs_into_cut = strlen(value) == to_copy_end;
    if (!runs_into_cut || next_tail_byte == (quoted ? '"' : ' ')) return;
    if (option.field == nullptr) {
        options->owner_window = owner_window_before;
    } else {
        options->*(option.field) = nullptr;
    }
}

}  // namespace

unsigned ParseOptions(const char* tail, const CharClass& classes, RegistrationOptions* options) {
    options->readme = options->serialno = options->username = options->organization = nullptr;
    options->productid = options->owner_class = options->owner_title = nullptr;
    options->owner_window = 0;
    options->options_read = 0;
    size_t length = strnlen(tail, kCommandCopySize - 1);
    memcpy(options->command_copy, tail, length);
    options->command_copy[length] = '\0';

    unsigned mask = 0;
    char* position = options->command_copy;
    const char* last_position = nullptr;
    unsigned last_bit = 0;
    int32_t owner_window_before = 0;
    while (position != nullptr) {
        last_position = position;
        owner_window_before = options->owner_window;
        position = NextOption(position, classes, options, &last_bit);
        mask |= last_bit;
        if (position != nullptr || last_bit != 0) ++options->options_read;
    }
    if (tail[length] != '\0' && last_bit != 0) {
        DropValueCutByTheCopy(options, last_position, *FindOptionByBit(last_bit),
                              owner_window_before, tail[length]);
    }
    return mask;
}
