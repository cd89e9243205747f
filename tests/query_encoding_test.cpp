#include "request/query_encoding.h"

#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

struct EncodeCase {
    const char* why;
    unsigned code_page;
    const char* value;
    const char* encoded;
};

const EncodeCase kEncodeCases[] = {
    {"plain ASCII passes", 932, "abc", "abc"},
    {"empty value", 932, "", ""},
    {"blank and ampersand are escaped", 932, "A B&C", "A%20B%26C"},
    {"query syntax that cannot break a value passes", 932, "a=b?c/d!e~f", "a=b?c/d!e~f"},
    {"hash, plus, percent and quote are escaped", 932, "#+%\"", "%23%2B%25%22"},
    {"control bytes and DEL are escaped", 932, "\t\r\n\x01\x7F", "%09%0D%0A%01%7F"},
    {"apostrophe, brackets and backslash pass", 932, "'<>\\", "'<>\\"},
    {"kanji: the ASCII-looking trail byte is escaped with its lead", 932, "\x8E\x52\x93\x63",
     "%8E%52%93%63"},
    {"trail byte 0x5C (so) stays with its lead", 932, "\x83\x5C", "%83%5C"},
    {"trail byte that looks like a quote", 932, "\x81\x22", "%81%22"},
    {"half-width kana become JIS X 0208 codes", 932, "\xD4\xCF\xC0\xDE",
     "%25%64%25%5E%25%3F%21%2B"},
    {"half-width kuten", 932, "\xA1", "%21%23"},
    {"half-width prolonged sound mark", 932, "\xB0", "%21%3C"},
    {"0xA0 under 932 is neither lead nor kana", 932, "\xA0", "%A0"},
    {"0x80 and 0xFD under 932 are escaped as themselves", 932, "\x80\xFD", "%80%FD"},
    {"lone lead byte at the end is dropped", 932, "ab\x82", "ab"},
    {"lone lead byte after kanji", 932, "\x8E\x52\x82", "%8E%52"},
    {"lead byte at the start only", 932, "\x82", ""},
    {"1252: e-acute is escaped as itself", 1252, "\xE9", "%E9"},
    {"1252: 0x82 is an ordinary byte", 1252, "ab\x82", "ab%82"},
    {"1252: no kana", 1252, "\xB1", "%B1"},
    {"936: lead and trail", 936, "\xC4\xE3", "%C4%E3"},
    {"936: 0xFF is not lead", 936, "\xFF", "%FF"},
};

TEST(EncodeQueryValueTest, Encodings) {
    for (const EncodeCase& c : kEncodeCases) {
        char out[512];
        const char* result = EncodeQueryValue(c.value, ClassesFor(c.code_page), out, sizeof out);
        EXPECT_EQ(out, result) << c.why;
        EXPECT_STREQ(c.encoded, out) << c.why;
    }
}

TEST(EncodeQueryValueTest, NeverWritesBlankQuoteOrControlByte) {
    CharClass classes = ClassesFor(932);
    for (unsigned byte = 1; byte < 256; ++byte) {
        char value[2] = {static_cast<char>(byte), '\0'};
        char out[16];
        ASSERT_NE(nullptr, EncodeQueryValue(value, classes, out, sizeof out)) << byte;
        for (const char* p = out; *p != '\0'; ++p) {
            unsigned char c = static_cast<unsigned char>(*p);
            EXPECT_TRUE(c > 0x20 && c < 0x7F && c != '"') << "byte " << byte << " gave " << out;
        }
    }
}

std::string Repeat(const std::string& text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i) result += text;
    return result;
}

struct FitCase {
    const char* why;
    std::string value;
    size_t out_size;
    bool fits;
};

const FitCase kFitCases[] = {
    {"exactly fills the buffer", std::string(511, 'a'), 512, true},
    {"one byte too many", std::string(512, 'a'), 512, false},
    {"an escape that would be cut is not written", "ab ", 5, false},
    {"an escape that just fits", "ab ", 6, true},
    {"kana grow six-fold: 85 fit in 511 bytes", std::string(85, '\xB1'), 512, true},
    {"86 kana do not", std::string(86, '\xB1'), 512, false},
    {"85 kanji grow three-fold to 510 bytes", Repeat("\x8E\x52", 85), 512, true},
    {"86 kanji do not fit", Repeat("\x8E\x52", 86), 512, false},
    {"no room even for the terminating zero", "", 0, false},
};

TEST(EncodeQueryValueTest, AValueIsEncodedWholeOrNotAtAll) {
    CharClass classes = ClassesFor(932);
    for (const FitCase& c : kFitCases) {
        char out[600];
        memset(out, 'X', sizeof out);
        const char* result = EncodeQueryValue(c.value.c_str(), classes, out, c.out_size);
        EXPECT_EQ(c.fits, result != nullptr) << c.why;
        if (c.out_size > 0 && !c.fits) {
            EXPECT_STREQ("", out) << c.why;
        }
        EXPECT_EQ('X', out[c.out_size]) << c.why << ": wrote past the buffer";
    }
}

}  // namespace
