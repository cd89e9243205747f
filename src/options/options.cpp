// Reads the slash options twice with one walk: from the ANSI bytes (ParseOptions) and from the
// UTF-16 units (ParseWideOptions). The walk is a template over the unit; the byte reading hands it
// a step that takes a lead byte together with its trail byte, so that a trail byte that looks like
// a quote or a blank never ends a value. UTF-16 has no such units: no unit of a character other
// than the quote, the blank and the slash themselves equals them.
#include "options/options.h"

#include <string.h>

#include "options/option_table.h"
#include "options/wide_options.h"

namespace {

template <typename Unit>
const OptionRow* FindOption(Unit letter) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<Unit>(letter - 'a' + 'A');
    for (const OptionRow& option : kOptions) {
        if (static_cast<Unit>(option.letter) == letter) return &option;
    }
    return nullptr;
}

const OptionRow* FindOptionByBit(unsigned bit) {
    for (const OptionRow& option : kOptions) {
        if (option.bit == bit) return &option;
    }
    return nullptr;
}

// Where `option` keeps its text in either reading's record; null for W, which is a number.
const char** FieldOf(const OptionRow& option, RegistrationOptions* options) {
    return option.field != nullptr ? &(options->*option.field) : nullptr;
}

const char16_t** FieldOf(const OptionRow& option, WideOptions* wide) {
    return option.wide_field != nullptr ? &(wide->*option.wide_field) : nullptr;
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

// W's value, once cut out: the ANSI reading converts it, wrapping modulo 2^32; a dropped value
// leaves the number as it was. The UTF-16 reading only steps over it.
void StoreNumber(const char* value, RegistrationOptions* options) {
    if (value != nullptr) options->owner_window = ToWrappedInt32(value);
}

void StoreNumber(const char16_t*, WideOptions*) {}

template <typename Record>
void ClearFields(Record* record) {
    for (const OptionRow& option : kOptions) {
        auto field = FieldOf(option, record);
        if (field != nullptr) *field = nullptr;
    }
}

// Copies as much of `tail` as `copy_size` holds with its terminating zero; returns its length.
template <typename Unit>
size_t CopyTail(const Unit* tail, Unit* copy, size_t copy_size) {
    size_t length = 0;
    for (; length < copy_size - 1 && tail[length] != 0; ++length) copy[length] = tail[length];
    copy[length] = 0;
    return length;
}

template <typename Unit>
Unit* FindSlash(Unit* p) {
    for (; *p != 0; ++p) {
        if (*p == '/') return p;
    }
    return nullptr;
}

// Cuts one value out of the copy starting exactly at `p` (quoted when it starts with a double
// quote, else ended by a blank), stores where it starts into `*field` and returns the position
// after it, or null when the line ends. `units_of` says how many units the character at `p`
// takes; one that the end of the line splits drops the value: `*field` becomes null.
template <typename Unit, typename UnitsOf>
Unit* TakeValue(Unit* p, UnitsOf units_of, const Unit** field) {
    bool quoted = *p == '"';
    if (quoted) ++p;
    *field = p;
    for (;;) {
        if (*p == 0) return nullptr;
        int units = units_of(p);
        if (units > 1) {
            if (p[1] == 0) {
                *field = nullptr;
                return nullptr;
            }
            p += units;
            continue;
        }
        if (*p == (quoted ? '"' : ' ')) {
            *p = 0;
            return p[1] == 0 ? nullptr : p + 1;
        }
        ++p;
    }
}

// From `position`, finds the next option and stores its value in `record`. Returns where scanning
// goes on, or null when there is nothing more to read; `*bit` is the option's bit, or 0 when
// nothing was recorded.
template <typename Unit, typename UnitsOf, typename Record>
Unit* NextOption(Unit* position, UnitsOf units_of, Record* record, unsigned* bit) {
    *bit = 0;
    Unit* slash = FindSlash(position);
    if (slash == nullptr || slash[1] == 0 || slash[2] == 0) return nullptr;
    Unit* value = slash + 2;
    const OptionRow* option = FindOption(slash[1]);
    if (option == nullptr) return value;
    *bit = option->bit;
    const Unit** field = FieldOf(*option, record);
    if (field != nullptr) return TakeValue(value, units_of, field);
    const Unit* number = nullptr;
    Unit* next = TakeValue(value, units_of, &number);
    StoreNumber(number, record);
    return next;
}

// The copy holds the first 511 bytes of a longer tail. The value of the last option read may run
// into that cut: unless the tail's next byte would have ended it anyway, it is dropped like a
// value cut by a lone lead byte, so that no detail is ever read cut short.
void DropValueCutByTheCopy(RegistrationOptions* options, const char* last_position,
                           const OptionRow& option, int32_t owner_window_before,
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
    ClearFields(options);
    options->owner_window = 0;
    options->options_read = 0;
    size_t length = CopyTail(tail, options->command_copy, kCommandCopySize);
    auto units_of = [&classes](const char* p) {
        return IsLeadByte(classes, static_cast<unsigned char>(*p)) ? 2 : 1;
    };

    unsigned mask = 0;
    char* position = options->command_copy;
    const char* last_position = nullptr;
    unsigned last_bit = 0;
    int32_t owner_window_before = 0;
    while (position != nullptr) {
        last_position = position;
        owner_window_before = options->owner_window;
        position = NextOption(position, units_of, options, &last_bit);
        mask |= last_bit;
        if (position != nullptr || last_bit != 0) ++options->options_read;
    }
    if (tail[length] != '\0' && last_bit != 0) {
        DropValueCutByTheCopy(options, last_position, *FindOptionByBit(last_bit),
                              owner_window_before, tail[length]);
    }
    return mask;
}

void ParseWideOptions(const char16_t* tail, const RegistrationOptions& ansi, WideOptions* wide) {
    ClearFields(wide);
    CopyTail(tail, wide->command_copy, kWideCommandCopySize);
    auto units_of = [](const char16_t*) { return 1; };

    char16_t* position = wide->command_copy;
    unsigned bit = 0;
    for (unsigned read = 0; read < ansi.options_read && position != nullptr; ++read)
        position = NextOption(position, units_of, wide, &bit);
    // A value the ANSI reading dropped (cut by its copy, or ending in a lone lead byte) goes too.
    for (const OptionRow& option : kOptions) {
        if (option.field != nullptr && ansi.*option.field == nullptr)
            wide->*option.wide_field = nullptr;
    }
}

void LeaveOutDetailsNotInCodePage(unsigned not_in_code_page, RegistrationOptions* options) {
    for (const OptionRow& option : kOptions) {
        if (IsDetail(option) && (not_in_code_page & option.bit) != 0)
            options->*option.field = nullptr;
    }
}
