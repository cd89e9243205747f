// Fuzzes BuildRegistrationUrl over options read from a fuzzed tail, or set directly to details of
// any length, with any output size from the base address's up to kAddressSize. The address must
// be zero-terminated inside its buffer and hold only bytes 0x21 to 0x7E other than the quote;
// every parameter in it must decode to its detail exactly, in the fixed order; and a detail may be
// missing only when it did not fit after those before it.
#include "request/registration_url.h"

#include "fuzz_invariants.h"

namespace {

struct Detail {
    const char* key;  // without the "?" or "&" before it
    const char* RegistrationOptions::*field;
};

const Detail kDetails[] = {
    {"productid", &RegistrationOptions::productid},
    {"username", &RegistrationOptions::username},
    {"organization", &RegistrationOptions::organization},
    {"serialno", &RegistrationOptions::serialno},
};

}  // namespace

// Input: the code page byte, a control byte (bit 0: the plain base address; bit 1: details set
// directly; bits 4 to 7: which of them are null), two bytes for the output size, then the tail,
// or the four details separated by zero bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input = {data, size};
    FuzzCodePage page = TakeCodePage(&input);
    CharClass classes = CheckedClasses(page);
    unsigned control = input.TakeByte();
    size_t chosen = input.TakeSize();
    std::string base = (control & 1) != 0 ? kFuzzPlainBase : kFuzzSslBase;
    size_t out_size = kAddressSize - chosen % (kAddressSize - base.size());

    RegistrationOptions options;
    memset(&options, 0, sizeof options);
    std::string tail;  // empty when the details are set directly
    std::unique_ptr<char[]> held[4];
    if ((control & 2) != 0) {
        for (int i = 0; i < 4; ++i) {
            std::string piece = input.TakeUntilZero();
            if ((control & (0x10u << i)) != 0) continue;
            held[i] = ExactCopy(piece);
            options.*(kDetails[i].field) = held[i].get();
        }
    } else {
        tail = input.TakeUntilZero();
        held[0] = ExactCopy(tail);
        ParseOptions(held[0].get(), classes, &options);
    }

    std::unique_ptr<char[]> out = FilledBuffer(out_size);
    char* result = BuildRegistrationUrl(base.c_str(), options, classes, out.get(), out_size);

    FUZZ_CHECK(TerminatedWithin(out.get(), out_size), "no terminating zero");
    std::string address = out.get();
    auto what = [&] {
        std::string shown = "code page " + std::to_string(page.code_page) + ", size " +
                            std::to_string(out_size) + ", tail " + Shown(tail);
        for (const Detail& detail : kDetails) {
            shown += std::string(", ") + detail.key + " " + Shown(options.*(detail.field));
        }
        return shown + ": address " + Shown(address);
    };
    FUZZ_CHECK(IsAddressText(address), what());
    FUZZ_CHECK(result == out.get(), what());
    std::vector<QueryParameter> parameters;
    FUZZ_CHECK(SplitQuery(address, base, &parameters), what());

    // Walk the details in their order beside the parameters actually written.
    size_t next = 0;
    size_t length = base.size();  // the address's length before the detail at hand
    for (const Detail& detail : kDetails) {
        const char* value = options.*(detail.field);
        if (value == nullptr || value[0] == '\0') {
            FUZZ_CHECK(next == parameters.size() || parameters[next].key != detail.key,
                       what() + ": " + detail.key + " written though absent");
            continue;
        }
        std::string encoded = ExpectedEncoding(page, value);
        size_t needed = length + 1 + strlen(detail.key) + 1 + encoded.size() + 1;
        if (next == parameters.size() || parameters[next].key != detail.key) {
            FUZZ_CHECK(needed > out_size, what() + ": " + detail.key + " left out though it fits");
            continue;
        }
        std::string decoded;
        FUZZ_CHECK(PercentDecode(parameters[next].value, &decoded), what());
        std::string expected = ExpectedDetail(page, value);
        FUZZ_CHECK(decoded == expected, what() + ": " + detail.key + " decodes to " +
                                            Shown(decoded) + ", expected " + Shown(expected));
        length += 1 + strlen(detail.key) + 1 + parameters[next].value.size();
        ++next;
    }
    FUZZ_CHECK(next == parameters.size(), what() + ": a parameter out of order, twice or unknown");
    FUZZ_CHECK(length == address.size(), what());
    return 0;
}
