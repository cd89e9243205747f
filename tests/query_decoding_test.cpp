#include "request/query_decoding.h"

#include <ctype.h>
#include <string.h>

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "request/query_encoding.h"
#include "test_support.h"

namespace {

// Text between UTF-8 and code page 932, so that the rows are written as a reader sees them.
std::string Convert(const char* to, const char* from, const std::string& text) {
    std::string out;
    return IconvText(to, from, text, &out) ? out : "(not " + std::string(from) + ")";
}

struct Decoded {
    std::string text;  // UTF-8
    DecodeNotes notes;
};

Decoded Decode(const std::string& raw) {
    Decoded decoded;
    char16_t out[1024];
    const char16_t* result = DecodeQueryValue(raw.data(), raw.size(), ClassesFor(932), out,
                                              sizeof out / sizeof out[0], &decoded.notes);
    decoded.text = Utf8(result);
    return decoded;
}

// The value with every "%XX" of an unreserved character decoded, as xdg-open passes it on.
std::string WithUnreservedDecoded(const std::string& value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        unsigned byte = 0;
        if (value[i] == '%' && i + 2 < value.size() &&
            sscanf(value.c_str() + i, "%%%2X", &byte) == 1 &&
            (isalnum(static_cast<int>(byte)) || strchr("-._~", static_cast<int>(byte)))) {
            out += static_cast<char>(byte);
            i += 2;
        } else {
            out += value[i];
        }
    }
    return out;
}

struct TypedCase {
    const char* why;
    const char* typed;        // UTF-8 here, code page 932 to the program's encoder
    const char* read;         // UTF-8
    const char* maybe_typed;  // the note on the value as sent, null when there is none
};

// Each value goes through the program's encoder and is read back as sent and re-escaped.
const TypedCase kTypedCases[] = {
    // A mark from a half-width katakana and the katakana before it.
    {"ka and the voiced mark: ga", "ｶﾞ", "ガ", "%+"},
    {"ha and the semi-voiced mark: pa", "ﾊﾟ", "パ", nullptr},
    {"u and the voiced mark: vu, kept at the end of row 5", "ｳﾞ", "ヴ", "%&"},
    {"ho, the last letter with marks: po", "ﾎﾟ", "ポ", nullptr},
    {"a has no voiced form", "ｱﾞ", "ア゛", "%\""},
    {"na has no voiced form, though the cell after it is a letter", "ﾅﾞ", "ナ゛", nullptr},
    {"ka has no semi-voiced form", "ｶﾟ", "カ゜", "%+"},
    {"wa: no voiced wa, though the cell after wa is no half-width katakana", "ﾜﾞ", "ワ゛", nullptr},
    {"n: the cell after it is vu, no voiced n", "ﾝﾞ", "ン゛", nullptr},
    {"a mark after ASCII stays", "aﾞ", "a゛", nullptr},
    {"a mark after a full-width katakana typed so stays", "カﾞ", "カ゛", nullptr},
    {"a second mark after a composed letter stays: ba, not pa", "ﾊﾞﾞ", "バ゛", nullptr},
    {"a mark after a mark stays", "ﾞﾟ", "゛゜", nullptr},
    {"row 1: punctuation and the prolonged sound mark", "｡｢｣､･ｰ", "。「」、・ー", nullptr},
    // Which "!" and "%" were typed.
    {"a typed ! before a row-1 image's second byte stays !", "!V!W", "!V!W", nullptr},
    {"%25%35 is sa for certain: a typed 5 is sent bare", "ｻ", "サ", nullptr},
    {"the ambiguity: a typed % before 5 reads as sa", "%5", "サ", "%5"},
    {"two typed % read as small u", "%%", "ゥ", "%%"},
    {"% before a byte that makes no katakana's code", "%z", "%z", nullptr},
    // Shift_JIS and the query's own bytes.
    {"kanji with trail bytes 0x52 and 0x5C, and query syntax", "山田表ソ &+#=?", "山田表ソ &+#=?",
     nullptr},
    {"control bytes come back as they are", "\t\n", "\t\n", nullptr},
};

TEST(DecodeQueryValueTest, ReadsBackWhatTheProgramSends) {
    for (const TypedCase& c : kTypedCases) {
        std::string typed = Convert("CP932", "UTF-8", c.typed);
        char sent[256];
        ASSERT_NE(nullptr, EncodeQueryValue(typed.c_str(), ClassesFor(932), sent, sizeof sent));
        Decoded decoded = Decode(sent);
        EXPECT_EQ(c.read, decoded.text) << c.why << ": " << sent;
        EXPECT_EQ(c.read, Decode(WithUnreservedDecoded(sent)).text) << c.why << ": re-escaped";
        EXPECT_EQ(c.maybe_typed != nullptr ? 1u : 0u, decoded.notes.ambiguity_count) << c.why;
        if (c.maybe_typed != nullptr && decoded.notes.ambiguity_count > 0) {
            EXPECT_STREQ(c.maybe_typed, decoded.notes.ambiguities[0].typed) << c.why;
        }
    }
}

struct RawCase {
    const char* why;
    const char* raw;
    const char* read;  // UTF-8
};

// Values the program never sends, from other senders or by hand.
const RawCase kRawCases[] = {
    {"an escaped ! with its second byte re-escaped: still the bracket", "%21V", "「"},
    {"a bare % (no hexadecimal digits after it) was typed", "%R", "%R"},
    {"a % at the end stands for itself", "a%2", "a%2"},
    {"+ is a blank, as a form reads it", "a+b", "a b"},
    {"lower-case hexadecimal digits", "%8e%52", "山"},
    // Bytes that are no character, as a browser's Shift_JIS decoder reads them.
    {"a lead byte before an ASCII byte that is no trail byte: that byte is read again", "%81%25%4A",
     "\uFFFDナ"},
    {"a lead byte before 0xFD: both are one U+FFFD", "%81%FDa", "\uFFFDa"},
    {"a lone lead byte at the end", "ab%82", "ab\uFFFD"},
    {"a pair with no character, ASCII trail byte: it is read again", "%85%40%88@",
     "\uFFFD@\uFFFD@"},
    {"a pair with no character, trail byte beyond ASCII: one U+FFFD, no katakana", "%85%A1",
     "\uFFFD"},
    {"0x80 is U+0080; 0xA0 and 0xFD-0xFF are no character", "%80%A0%FD%FE%FF",
     "\u0080\uFFFD\uFFFD\uFFFD\uFFFD"},
    {"either side of the trail bytes' gap at 0x7F", "%81%7E%81%80%81%7F", "×÷\uFFFD\x7F"},
    {"the ends of both lead ranges, a half-width katakana byte as trail", "%88%B1%9F%FC%E0%40",
     "鯵滌漾"},
    {"NEC's and IBM's extensions", "%87%40%ED%40%FA%40", "①纊ⅰ"},
    {"the user-defined area, a sum", "%F0%40%F9%FC", "\uE000\uE757"},
    {"the last pair with a character, and the one after it", "%FC%4B%FC%4C", "黑\uFFFDL"},
    {"a decoded zero byte is dropped", "a%00%25%4A", "aナ"},
    {"half-width katakana bytes sent as they are widen and compose too", "%B6%DE%B1", "ガア"},
};

TEST(DecodeQueryValueTest, ReadsWhatOthersSend) {
    for (const RawCase& c : kRawCases) {
        Decoded decoded = Decode(c.raw);
        EXPECT_EQ(c.read, decoded.text) << c.why;
        EXPECT_EQ(0u, decoded.notes.ambiguity_count) << c.why;
    }
}

TEST(DecodeQueryValueTest, NotesWhereAndHowMany) {
    // 山田 is two characters of four bytes; sa after it is the third.
    Decoded decoded = Decode("%8E%52%93%63%255xx%25R%25R");
    EXPECT_EQ(3u, decoded.notes.ambiguity_count);
    EXPECT_EQ(3u, decoded.notes.ambiguities[0].character);
    std::string many;
    for (size_t i = 0; i < kAmbiguitiesKept + 3; ++i) many += "%25R";
    EXPECT_EQ(kAmbiguitiesKept + 3, Decode(many).notes.ambiguity_count);
    // Those beyond the kept ones are counted, never written: what follows the notes stays.
    struct {
        DecodeNotes notes;
        char after[sizeof(KanaAmbiguity)];
    } guarded;
    memset(guarded.after, 'Z', sizeof guarded.after);
    char16_t out[128];
    DecodeQueryValue(many.data(), many.size(), ClassesFor(932), out, 128, &guarded.notes);
    EXPECT_EQ(std::string(sizeof guarded.after, 'Z'),
              std::string(guarded.after, sizeof guarded.after));
}

struct FitCase {
    const char* why;
    const char* raw;
    size_t out_size;  // UTF-16 units
    const char* out;  // UTF-8; null: does not fit
};

const FitCase kFitCases[] = {
    {"ga and the zero in two units", "%25%2B%21%2B", 2, "ガ"},
    {"ga does not fit one", "%25%2B%21%2B", 1, nullptr},
    {"a pair with no character and its ASCII trail byte need three", "%85@", 3, "\uFFFD@"},
    {"two is one short", "%85@", 2, nullptr},
    {"no room at all", "a", 0, nullptr},
};

TEST(DecodeQueryValueTest, FitsOrNothing) {
    for (const FitCase& c : kFitCases) {
        char16_t out[8];
        std::fill(out, out + 8, u'Z');
        const char16_t* result =
            DecodeQueryValue(c.raw, strlen(c.raw), ClassesFor(932), out, c.out_size, nullptr);
        EXPECT_EQ(c.out != nullptr ? out : nullptr, result) << c.why;
        if (c.out_size > 0) {
            EXPECT_EQ(c.out != nullptr ? c.out : "", Utf8(out)) << c.why;
        }
    }
}

// Every pair of a lead byte and a byte from 0x40 up reads as glibc's code page 932 reads it, which
// agrees with a browser wherever there is a character; where there is none, U+FFFD and an ASCII
// trail byte read again.
TEST(DecodeQueryValueTest, EveryPairAsCodePage932) {
    int wrong = 0;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead >= 0xA0 && lead < 0xE0) continue;
        for (unsigned trail = 0x40; trail <= 0xFF; ++trail) {
            char raw[8];
            snprintf(raw, sizeof raw, "%%%02X%%%02X", lead, trail);
            std::string expected;
            std::string pair = {static_cast<char>(lead), static_cast<char>(trail)};
            if (trail == 0x7F || !IconvText("UTF-8", "CP932", pair, &expected))
                expected = trail < 0x80 ? "\uFFFD" + pair.substr(1) : "\uFFFD";
            std::string read = Decode(raw).text;
            if (read != expected && ++wrong <= 5) {
                ADD_FAILURE() << raw << " reads as " << read << ", not " << expected;
            }
        }
    }
    EXPECT_EQ(0, wrong);
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

}  // namespace
