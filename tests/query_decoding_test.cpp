#include "request/query_decoding.h"

#include <errno.h>
#include <iconv.h>
#include <string.h>

#include <random>
#include <string>

#include <gtest/gtest.h>

#include "options/option_table.h"
#include "options/options.h"
#include "request/registration_url.h"
#include "test_support.h"

namespace {

// Shift_JIS as UTF-8 through glibc's tables, a byte that starts no character as U+FFFD: the
// rows are written in what a reader sees.
std::string ShownUtf8(const std::string& shift_jis) {
    iconv_t descriptor = iconv_open("UTF-8", "CP932");
    std::string out;
    char* in = const_cast<char*>(shift_jis.data());
    size_t left = shift_jis.size();
    while (left > 0) {
        char buffer[64];
        char* written = buffer;
        size_t room = sizeof buffer;
        bool stopped = iconv(descriptor, &in, &left, &written, &room) == static_cast<size_t>(-1);
        out.append(buffer, written - buffer);
        if (stopped && errno != E2BIG) {
            out += "\xEF\xBF\xBD";
            ++in;
            --left;
        }
    }
    iconv_close(descriptor);
    return out;
}

struct Decoded {
    std::string text;  // UTF-8
    DecodeNotes notes;
};

Decoded Decode(const std::string& raw) {
    Decoded decoded;
    char out[1024];
    const char* result =
        DecodeQueryValue(raw.data(), raw.size(), ClassesFor(932), out, sizeof out, &decoded.notes);
    decoded.text = result == nullptr ? "(null)" : ShownUtf8(out);
    return decoded;
}

struct DecodeCase {
    const char* why;
    const char* raw;
    const char* typed;        // UTF-8
    const char* maybe_typed;  // the first note's alternative, null when there is none
};

const DecodeCase kDecodeCases[] = {
    // A mark from a half-width katakana and the katakana before it.
    {"ka and the voiced mark: ga", "%25%2B%21%2B", "ガ", "%+"},
    {"ha and the semi-voiced mark: pa", "%25%4F%21%2C", "パ", nullptr},
    {"u and the voiced mark: vu, kept at the end of row 5", "%25%26%21%2B", "ヴ", "%&"},
    {"ho, the last letter with marks: po", "%25%5B%21%2C", "ポ", nullptr},
    {"a has no voiced form", "%25%22%21%2B", "ア゛", "%\""},
    {"na has no voiced form, though the cell after it is a letter", "%25%4A%21%2B", "ナ゛",
     nullptr},
    {"ka has no semi-voiced form", "%25%2B%21%2C", "カ゜", "%+"},
    {"wa: JIS X 0208 has no voiced wa, though the cell after wa is no half-width katakana",
     "%25%6F%21%2B", "ワ゛", nullptr},
    {"n: the cell after it is vu, no voiced n", "%25%73%21%2B", "ン゛", nullptr},
    {"a mark after ASCII stays", "a%21%2B", "a゛", nullptr},
    {"a mark after a full-width katakana typed so stays", "%83%4A%21%2B", "カ゛", nullptr},
    {"a second mark after a composed letter stays", "%25%2B%21%2B%21%2B", "ガ゛", "%+"},
    {"a mark after a mark stays", "%21%2B%21%2C", "゛゜", nullptr},
    {"half-width katakana bytes sent as they are widen and compose too", "%B6%DE%B1", "ガア",
     nullptr},
    // Which "!" and "%" were typed.
    {"a bare ! was typed, even before a row-1 image's second byte", "!V", "!V", nullptr},
    {"an escaped ! and a row-1 image's second byte: a corner bracket", "%21%56", "「", nullptr},
    {"the second byte decoded on the way: still the bracket", "%21V", "「", nullptr},
    {"%25%35 is katakana: a typed 5 is sent bare", "%25%35", "サ", nullptr},
    {"the ambiguity: a typed % before 5, or sa re-escaped", "%255", "サ", "%5"},
    {"the ambiguity: a typed %&, or u", "%25%26", "ウ", "%&"},
    {"two typed % read as small u", "%25%25", "ゥ", "%%"},
    {"% before a byte that makes no katakana's code", "%25z", "%z", nullptr},
    {"a bare % (no hexadecimal digits after it) was typed", "%R", "%R", nullptr},
    {"a % at the end stands for itself", "a%2", "a%2", nullptr},
    // Percent-decoding and Shift_JIS.
    {"+ is a blank, as a form reads it", "a+b", "a b", nullptr},
    {"lower-case hexadecimal digits", "%8e%52%93%63", "山田", nullptr},
    {"trail byte 0x5C", "%95%5C%83%5C", "表ソ", nullptr},
    {"a lead byte before a byte that is no trail byte: the geta mark, paired with nothing",
     "%81%25%4A", "〓ナ", nullptr},
    {"a lone lead byte at the end", "ab%82", "ab〓", nullptr},
    {"a decoded zero byte is dropped", "a%00%25%4A", "aナ", nullptr},
    {"control bytes are decoded as they are", "%09%0A", "\t\n", nullptr},
};

TEST(DecodeQueryValueTest, Decodings) {
    for (const DecodeCase& c : kDecodeCases) {
        Decoded decoded = Decode(c.raw);
        EXPECT_EQ(c.typed, decoded.text) << c.why;
        EXPECT_EQ(c.maybe_typed != nullptr ? 1u : 0u, decoded.notes.ambiguity_count) << c.why;
        if (c.maybe_typed != nullptr && decoded.notes.ambiguity_count > 0) {
            EXPECT_STREQ(c.maybe_typed, decoded.notes.ambiguities[0].typed) << c.why;
        }
    }
}

TEST(DecodeQueryValueTest, NotesWhereAndHowMany) {
    // 山田 is two characters of four bytes; sa after it is the third, at byte 4.
    Decoded decoded = Decode("%8E%52%93%63%255" + std::string(20 * 4, 'x') + "%25R%25R");
    ASSERT_EQ(1u, Decode("%255").notes.ambiguity_count);
    EXPECT_EQ(3u, decoded.notes.ambiguity_count);
    EXPECT_EQ(3u, decoded.notes.ambiguities[0].character);
    EXPECT_EQ(4u, decoded.notes.ambiguities[0].offset);
    std::string many;
    for (size_t i = 0; i < kAmbiguitiesKept + 3; ++i) many += "%25R";
    EXPECT_EQ(kAmbiguitiesKept + 3, Decode(many).notes.ambiguity_count);
}

struct FitCase {
    const char* why;
    const char* raw;
    size_t out_size;
    const char* out;  // null: does not fit
};

const FitCase kFitCases[] = {
    {"ga and the zero in three bytes", "%25%2B%21%2B", 3, "\x83\x4B"},
    {"ga does not fit two", "%25%2B%21%2B", 2, nullptr},
    {"a bare katakana byte doubles", "%B1", 3, "\x83\x41"},
    {"a bare katakana byte: two is one short", "%B1", 2, nullptr},
    {"room for the zero alone", "", 1, ""},
    {"no room at all", "a", 0, nullptr},
};

TEST(DecodeQueryValueTest, FitsOrNothing) {
    for (const FitCase& c : kFitCases) {
        char out[8];
        memset(out, 'Z', sizeof out);
        const char* result =
            DecodeQueryValue(c.raw, strlen(c.raw), ClassesFor(932), out, c.out_size, nullptr);
        if (c.out == nullptr) {
            EXPECT_EQ(nullptr, result) << c.why;
            if (c.out_size > 0) {
                EXPECT_STREQ("", out) << c.why;
            }
        } else {
            EXPECT_EQ(out, result) << c.why;
            EXPECT_STREQ(c.out, out) << c.why;
        }
    }
}

struct FindCase {
    const char* why;
    const char* address;
    const char* value;  // null: absent
};

const FindCase kFindCases[] = {
    {"a whole address", "https://h/entry/regist.php?productid=1&username=a", "a"},
    {"the query alone", "productid=1&username=a", "a"},
    {"the query with its ?", "?username=a", "a"},
    {"a typed ? in a value of the query alone", "username=a?b", "a?b"},
    {"the last when it comes twice", "username=a&username=b&x=1", "b"},
    {"a fragment ends the value", "username=a#b&username=c", "a"},
    {"present and empty", "username=&x=1", ""},
    {"a longer key that starts with it is not it", "usernames=1", nullptr},
    {"a key that ends with it is not it", "xusername=1", nullptr},
    {"the key without =", "username&x=1", nullptr},
    {"absent", "https://h/entry/regist.php", nullptr},
};

TEST(FindQueryValueTest, Values) {
    for (const FindCase& c : kFindCases) {
        size_t length = 0;
        const char* found = FindQueryValue(c.address, "username", &length);
        EXPECT_EQ(c.value != nullptr, found != nullptr) << c.why;
        if (c.value != nullptr && found != nullptr) {
            EXPECT_EQ(c.value, std::string(found, length)) << c.why;
        }
    }
}

// What the program sends and what it must read back as: pieces of details, none with "%" or "!",
// none starting with a mark, so that any sequence of them reads as the pieces one after another.
struct Piece {
    const char* typed;  // code page 932
    const char* read;   // UTF-8
};

const Piece kPieces[] = {
    {"\x8E\x52\x93\x63", "山田"},
    {"\x95\x5C", "表"},
    {"\x83\x5C", "ソ"},
    {"\x94\x5C\x8F\x5C", "能十"},
    {"\xB6\xDE", "ガ"},
    {"\xCA\xDF", "パ"},
    {"\xB3\xDE", "ヴ"},
    {"\xCE\xDF", "ポ"},
    {"\xDC\xDE", "ワ゛"},
    {"\xB1\xBB\xDD", "アサン"},
    {"\xA1\xB0", "。ー"},
    {"\xA2\xA3\xA4\xA5", "「」、・"},
    {"a\xDE", "a゛"},
    {"&", "&"},
    {"+", "+"},
    {"#", "#"},
    {" ", " "},
    {"Co.", "Co."},
    {"5R", "5R"},
    {"=?/", "=?/"},
    {"\xAF\xC2\xDE", "ッヅ"},
};

// The address with every "%XX" of an unreserved character decoded, as xdg-open passes it on.
std::string WithUnreservedDecoded(const std::string& address) {
    std::string out;
    for (size_t i = 0; i < address.size(); ++i) {
        unsigned value = 0;
        if (address[i] == '%' && i + 2 < address.size() &&
            sscanf(address.c_str() + i + 1, "%2x", &value) == 1 &&
            (isalnum(static_cast<int>(value)) || strchr("-._~", static_cast<int>(value)))) {
            out += static_cast<char>(value);
            i += 2;
        } else {
            out += address[i];
        }
    }
    return out;
}

TEST(DecodeQueryValueTest, ReadsBackWhatTheProgramSends) {
    std::mt19937 random(28);
    const CharClass classes = ClassesFor(932);
    constexpr size_t kPieceCount = sizeof kPieces / sizeof kPieces[0];
    for (int round = 0; round < 500; ++round) {
        std::string tail;
        std::string expected[4];
        for (std::string& read : expected) {
            std::string typed;
            for (unsigned n = 1 + random() % 6; n > 0; --n) {
                const Piece& piece = kPieces[random() % kPieceCount];
                typed += piece.typed;
                read += piece.read;
            }
            tail += " /" + std::string(1, "PUOS"[&read - expected]) + "\"" + typed + "\"";
        }
        RegistrationOptions options;
        ParseOptions(tail.c_str(), classes, &options);
        char address[kAddressSize];
        BuildRegistrationUrl("https://h/entry/regist.php", options, classes, address,
                             sizeof address);
        for (const std::string& sent : {std::string(address), WithUnreservedDecoded(address)}) {
            int detail = 0;
            for (const OptionRow& option : kOptions) {
                if (!IsDetail(option)) continue;
                size_t length = 0;
                const char* raw = FindQueryValue(sent.c_str(), option.query_key, &length);
                ASSERT_NE(nullptr, raw) << tail << " gave " << sent;
                Decoded decoded = Decode(std::string(raw, length));
                EXPECT_EQ(expected[detail], decoded.text) << tail << " gave " << sent;
                ++detail;
            }
        }
    }
}

}  // namespace
