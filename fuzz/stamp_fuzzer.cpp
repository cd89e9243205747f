// Fuzzes StampProgram and ReadProgramStamp over any file. Besides what AddressSanitizer sees (the
// image is held in a block of exactly its size, so a read past it is reported), it checks that a
// refusal leaves the image untouched; that what the reading calls stampable is exactly what a
// stamp accepts; that a stamp leaves the PE checksum right (the tests' own model of it) and reads
// back with its host and the release it came from; and that stamping twice gives the bytes of
// stamping once with the second request.
#include "stamp/program_stamp.h"

#include "../tests/release_image.h"
#include "../tests/test_support.h"
#include "fuzz_invariants.h"

namespace {

// The second request: valid, so that it always gets past the request's own checks, and short, so
// that whatever an earlier stamp wrote beyond it shows.
const StampRequest kSecond = {"b.jp", u"例", nullptr};

std::unique_ptr<unsigned char[]> ExactImage(const Image& image) {
    std::unique_ptr<unsigned char[]> copy(new unsigned char[image.size()]);
    if (!image.empty()) memcpy(copy.get(), image.data(), image.size());
    return copy;
}

bool Same(const unsigned char* stamped, const Image& image) {
    return image.empty() || memcmp(stamped, image.data(), image.size()) == 0;
}

}  // namespace

// Input: the host up to a zero byte, the company and the copyright as UTF-16 (low byte first),
// each up to a zero byte, then the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input{data, size};
    std::string host = input.TakeUntilZero();
    std::u16string company = TakeUnits(&input);
    std::u16string copyright = TakeUnits(&input);
    const Image original(input.data, input.data + input.size);
    size_t n = original.size();
    std::unique_ptr<unsigned char[]> image = ExactImage(original);
    std::unique_ptr<char[]> host_copy = ExactCopy(host);

    ProgramStamp before;
    bool is_program = ReadProgramStamp(image.get(), n, &before);
    FUZZ_CHECK(Same(image.get(), original), "reading changed the file");

    StampRequest request = {host_copy.get(), company.c_str(), copyright.c_str()};
    StampResult result = StampProgram(image.get(), n, request);
    std::unique_ptr<unsigned char[]> second = ExactImage(original);
    StampResult second_result = StampProgram(second.get(), n, kSecond);

    if (result != StampResult::kStamped)
        FUZZ_CHECK(Same(image.get(), original), "refused, yet changed");
    if (second_result != StampResult::kStamped)
        FUZZ_CHECK(Same(second.get(), original), "refused, yet changed");
    FUZZ_CHECK((second_result == StampResult::kStamped) == (is_program && before.stampable),
               "stampable " + std::to_string(is_program && before.stampable) + ", stamp gives " +
                   std::to_string(static_cast<int>(second_result)));
    if (result == StampResult::kStamped) {
        FUZZ_CHECK(second_result == StampResult::kStamped, "one valid request accepted, one not");
        FUZZ_CHECK(is_program && before.stampable, "stamped what the reading refuses");
    }
    if (result != StampResult::kStamped) return 0;

    Image stamped(image.get(), image.get() + n);
    size_t checksum = Get32(original, 0x3C) + 24 + 64;
    FUZZ_CHECK(Get32(stamped, checksum) == ModelChecksum(stamped, checksum),
               "the checksum field is not the file's checksum");
    ProgramStamp after;
    FUZZ_CHECK(ReadProgramStamp(image.get(), n, &after), "a stamped program is not read");
    FUZZ_CHECK(after.stampable && host == after.host, "read back: host " + Shown(after.host));
    FUZZ_CHECK(memcmp(after.release_sha256, before.release_sha256, kSha256Size) == 0,
               "release " + Hex(before.release_sha256, kSha256Size) + " became " +
                   Hex(after.release_sha256, kSha256Size));

    FUZZ_CHECK(StampProgram(image.get(), n, kSecond) == StampResult::kStamped,
               "a stamped program is not stamped again");
    FUZZ_CHECK(memcmp(image.get(), second.get(), n) == 0,
               "stamping twice differs from stamping once with the second request");
    return 0;
}
