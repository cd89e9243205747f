#include "stamp/sha256.h"

#include <string.h>

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

// The test vectors of FIPS 180-4's examples, each fed `repeat` times in pieces of `piece` bytes.
struct Case {
    const char* why;
    const char* text;
    size_t repeat;
    size_t piece;
    const char* digest;
};
const Case kCases[] = {
    {"nothing: the padding block alone", "", 1, 1,
     "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"three bytes in one block", "abc", 1, 3,
     "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"56 bytes: the length no longer fits, the padding takes a second block",
     "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 1, 5,
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {"a million bytes in pieces that cross the blocks", "aaaaaaaaaa", 100000, 7,
     "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
};

TEST(Sha256, GivesTheDigestsOfTheTestVectors) {
    // One hash for every row: starting it again must forget the last message whole.
    Sha256 hash;
    memset(&hash, 0x5A, sizeof hash);
    for (const Case& c : kCases) {
        std::string message;
        for (size_t i = 0; i < c.repeat; ++i) message += c.text;
        Sha256Start(&hash);
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(message.data());
        for (size_t at = 0; at < message.size(); at += c.piece)
            Sha256Feed(&hash, bytes + at, std::min(c.piece, message.size() - at));
        unsigned char digest[kSha256Size];
        Sha256Finish(&hash, digest);
        EXPECT_EQ(c.digest, Hex(digest, sizeof digest)) << c.why;
    }
}

}  // namespace
