// Fuzzes ParseOptions over every code page the fuzz input can pick. Besides what AddressSanitizer
// sees (the tail is held in a block of exactly its size, so a read past it is reported), it
// checks that every field points into the command copy and ends there, that the copy differs from
// the tail only where a value was cut off, and that every option read is the one the tail gives:
// of a tail too long for the copy only the first 511 bytes are read, and a value that runs into
// that cut is dropped, never read cut short.
#include "options/options.h"

#include "fuzz_invariants.h"
#include "options/option_table.h"

namespace {

// The model keeps each option at its index in kOptions; W, a number, has no text field.
constexpr int kOptionCount = sizeof kOptions / sizeof kOptions[0];

int IndexOf(char letter) {
    for (int index = 0; index < kOptionCount; ++index) {
        if (kOptions[index].letter == letter) return index;
    }
    return -1;
}

struct ModelOptions {
    unsigned mask = 0;
    bool present[kOptionCount] = {};
    std::string value[kOptionCount];
    int32_t owner_window = 0;
};

// Decimal conversion of a /W value: leading white space, a sign, then digits, modulo 2^32.
int32_t ModelNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && text[i] != '\0' && strchr(" \t\n\v\f\r", text[i]) != nullptr) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    uint64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = (magnitude * 10 + static_cast<uint64_t>(text[i] - '0')) & 0xFFFFFFFFu;
    }
    uint32_t bits = static_cast<uint32_t>(negative ? (0x100000000u - magnitude) : magnitude);
    int32_t number;
    memcpy(&number, &bits, sizeof number);
    return number;
}

// The options that `line`, the part of the tail that is read, gives. `next_byte` is the tail's
// byte after that part (0 when the tail ends there): a value that runs into the end of the part
// is dropped, unless `next_byte` would have ended it anyway.
ModelOptions ModelParse(const FuzzCodePage& page, const std::string& line, char next_byte) {
    ModelOptions model;
    size_t n = line.size();
    for (size_t i = 0;;) {
        size_t slash = line.find('/', i);
        // No slash, no letter after it, or no value after the letter: nothing more is read.
        if (slash == std::string::npos || slash + 2 >= n) return model;
        char letter = line[slash + 1];
        if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
        int index = IndexOf(letter);
        if (index < 0) {
            i = slash + 2;
            continue;
        }
        bool is_number = kOptions[index].field == nullptr;
        model.mask |= kOptions[index].bit;

        size_t j = slash + 2;
        bool quoted = line[j] == '"';
        if (quoted) ++j;
        size_t start = j;
        // A lead byte is looked at before the byte that ends the value, so a code page whose lead
        // bytes include the blank or the quote keeps them inside the value.
        while (j < n) {
            if (ModelLead(page, line[j])) {
                if (j + 1 == n) {
                    // A lead byte that ends the line drops the value and ends the scan.
                    if (!is_number) {
                        model.present[index] = false;
                        model.value[index].clear();
                    }
                    return model;
                }
                j += 2;
            } else if (line[j] == (quoted ? '"' : ' ')) {
                break;
            } else {
                ++j;
            }
        }
        std::string value = line.substr(start, j - start);
        bool cut_short = j >= n && next_byte != '\0' && next_byte != (quoted ? '"' : ' ');
        if (cut_short) {
            if (!is_number) {
                model.present[index] = false;
                model.value[index].clear();
            }
        } else if (is_number) {
            model.owner_window = ModelNumber(value);
        } else {
            model.present[index] = true;
            model.value[index] = value;
        }
        if (j + 1 >= n) return model;  // the value ran to the end, or its end is the last byte
        i = j + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input = {data, size};
    FuzzCodePage page = TakeCodePage(&input);
    CharClass classes = CheckedClasses(page);
    std::string tail = input.TakeUntilZero();
    std::unique_ptr<char[]> tail_copy = ExactCopy(tail);

    RegistrationOptions options;
    memset(&options, 0xA5, sizeof options);  // ParseOptions must set every field itself
    unsigned mask = ParseOptions(tail_copy.get(), classes, &options);

    auto what = [&] {
        return "code page " + std::to_string(page.code_page) + ", tail " + Shown(tail);
    };
    const char* copy = options.command_copy;
    const char* copy_end = copy + kCommandCopySize;
    // A tail that fits is copied whole; of a longer one the copy may hold a part or nothing.
    bool whole = tail.size() < kCommandCopySize;
    size_t copied = whole ? tail.size() : strnlen(copy, kCommandCopySize);
    FUZZ_CHECK(copied < kCommandCopySize && copy[copied] == '\0',
               what() + ": the copy does not end where the tail ends");
    for (size_t i = 0; i < copied; ++i) {
        bool cut_here = copy[i] == '\0' && (tail[i] == ' ' || tail[i] == '"');
        FUZZ_CHECK(copy[i] == tail[i] || cut_here,
                   what() + ": copy changed at byte " + std::to_string(i));
    }

    FUZZ_CHECK((mask & ~0xFFu) == 0, what());
    FUZZ_CHECK(options.owner_window == 0 || (mask & kOptionOwnerWindow) != 0, what());
    for (const OptionRow& option : kOptions) {
        if (option.field == nullptr) continue;
        const char* field = options.*option.field;
        if (field == nullptr) continue;
        auto field_what = [&] { return what() + ", option " + option.letter; };
        FUZZ_CHECK(field >= copy && field < copy_end, field_what() + ": points outside the copy");
        FUZZ_CHECK(memchr(field, '\0', static_cast<size_t>(copy_end - field)) != nullptr,
                   field_what() + ": runs past the copy");
        FUZZ_CHECK((mask & option.bit) != 0, field_what() + ": set without its bit");
    }

    // Of a longer tail only the first 511 bytes are read.
    std::string read = whole ? tail : tail.substr(0, kCommandCopySize - 1);
    ModelOptions model = ModelParse(page, read, whole ? '\0' : tail[kCommandCopySize - 1]);
    FUZZ_CHECK(mask == model.mask, what() + ": mask " + std::to_string(mask) + ", expected " +
                                       std::to_string(model.mask));
    for (int index = 0; index < kOptionCount; ++index) {
        const OptionRow& option = kOptions[index];
        if (option.field == nullptr) continue;
        const char* field = options.*option.field;
        auto field_what = [&] {
            return what() + ", option " + option.letter + ": " + Shown(field) + ", expected " +
                   (model.present[index] ? Shown(model.value[index]) : "(null)");
        };
        if (field == nullptr) {
            FUZZ_CHECK(!model.present[index], field_what());
        } else {
            FUZZ_CHECK(model.present[index] && model.value[index] == field, field_what());
        }
    }
    FUZZ_CHECK(options.owner_window == model.owner_window,
               what() + ": owner window " + std::to_string(options.owner_window) + ", expected " +
                   std::to_string(model.owner_window));
    return 0;
}
