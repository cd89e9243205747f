// Fuzzes EncodeQueryValue over every code page and every output size up to 4095 bytes. The output
// must be zero-terminated inside its buffer; when the whole encoding fits it is exactly the
// expected encoding, holds only address bytes and percent-decodes to the expected detail; when it
// does not fit the result is null and the output empty.
#include "request/query_encoding.h"

#include "fuzz_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input = {data, size};
    FuzzCodePage page = TakeCodePage(&input);
    CharClass classes = CheckedClasses(page);
    size_t out_size = input.TakeSize() % 4096;
    std::string value = input.TakeUntilZero();
    std::unique_ptr<char[]> value_copy = ExactCopy(value);
    std::unique_ptr<char[]> out = FilledBuffer(out_size);

    char* result = EncodeQueryValue(value_copy.get(), classes, out.get(), out_size);

    auto what = [&] {
        return "code page " + std::to_string(page.code_page) + ", size " +
               std::to_string(out_size) + ", value " + Shown(value);
    };
    if (out_size == 0) {
        FUZZ_CHECK(result == nullptr, what());
        return 0;
    }
    FUZZ_CHECK(TerminatedWithin(out.get(), out_size), what() + ": no terminating zero");
    std::string encoded = out.get();
    std::string expected = ExpectedEncoding(page, value.c_str());
    if (expected.size() + 1 > out_size) {
        FUZZ_CHECK(result == nullptr && encoded.empty(), what() + ": needs " +
                                                             std::to_string(expected.size() + 1) +
                                                             " bytes, gave " + Shown(encoded));
        return 0;
    }
    FUZZ_CHECK(result == out.get(), what() + ": fits but gave null");
    FUZZ_CHECK(IsAddressText(encoded), what() + ": " + Shown(encoded));
    std::string decoded;
    FUZZ_CHECK(PercentDecode(encoded, &decoded), what() + ": " + Shown(encoded));
    std::string detail = ExpectedDetail(page, value.c_str());
    FUZZ_CHECK(decoded == detail,
               what() + ": decodes to " + Shown(decoded) + ", expected " + Shown(detail));
    FUZZ_CHECK(encoded == expected,
               what() + ": " + Shown(encoded) + ", expected " + Shown(expected));
    return 0;
}
