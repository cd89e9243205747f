#include "options/options.h"
#include "options/wide_options.h"

#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

constexpr const char* kNull = nullptr;

struct ParseCase {
    const char* why;
    const char* tail;
    unsigned mask;
    const char* productid;
    const char* username;
    const char* organization;
    const char* serialno;
    const char* readme;
};

const ParseCase kParseCases[] = {
    {"empty tail", "", 0, kNull, kNull, kNull, kNull, kNull},
    {"three bare values", "/Pabc /Uxyz /Oqrs", 0x1C, "abc", "xyz", "qrs", kNull, kNull},
    {"quoted value keeps its blank", "/U\"Taro Yamada\"", 0x04, kNull, "Taro Yamada", kNull, kNull,
     kNull},
    {"blank right after the letter gives an empty value", "/P abc", 0x10, "", kNull, kNull, kNull,
     kNull},
    {"slashes inside a value start no option", "/Rc:/doc/readme.txt /Uabc", 0x05, kNull, "abc",
     kNull, kNull, "c:/doc/readme.txt"},
    {"unknown letter is skipped", "/Xfoo /Uabc", 0x04, kNull, "abc", kNull, kNull, kNull},
    {"an unknown letter skips only itself", "/X/Pz", 0x10, "z", kNull, kNull, kNull, kNull},
    {"text after a closing quote is skipped", "/U\"ab\"cd /Oe", 0x0C, kNull, "ab", "e", kNull,
     kNull},
    {"an option right after a closing quote is read", "/U\"a b\"/Oc", 0x0C, kNull, "a b", "c",
     kNull, kNull},
    {"a tail ending in a letter records nothing", "/Uabc /P", 0x04, kNull, "abc", kNull, kNull,
     kNull},
    {"a lone slash at the end", "/Uabc /", 0x04, kNull, "abc", kNull, kNull, kNull},
    {"lower-case letter", "/pabc", 0x10, "abc", kNull, kNull, kNull, kNull},
    {"a slash right after other text counts", "abc/Pxyz", 0x10, "xyz", kNull, kNull, kNull, kNull},
    {"the later of two values wins", "/Pone /Ptwo", 0x10, "two", kNull, kNull, kNull, kNull},
    {"empty quoted value is present", "/U\"\" /Oa", 0x0C, kNull, "", "a", kNull, kNull},
    {"quote at the very end gives an empty value", "/U\"", 0x04, kNull, "", kNull, kNull, kNull},
    {"unclosed quote runs to the end", "/U\"Taro /Oabc", 0x04, kNull, "Taro /Oabc", kNull, kNull,
     kNull},
    {"quote inside a bare value is an ordinary byte", "/Uab\"c d /Se", 0x06, kNull, "ab\"c", kNull,
     "e", kNull},
    {"a tab does not end a bare value", "/Ua\tb /Sx", 0x06, kNull, "a\tb", kNull, "x", kNull},
    {"two blanks: the second is skipped text", "/Pa  /Ub", 0x14, "a", "b", kNull, kNull, kNull},
    {"value ends at the line's end", "/Sabc", 0x02, kNull, kNull, kNull, "abc", kNull},
    {"value ended by a blank at the very end", "/Sabc ", 0x02, kNull, kNull, kNull, "abc", kNull},
    // Shift_JIS: 山田 is 8E 52 93 63; ソ is 83 5C; 表 is 95 5C; ー is 81 5B; 0x81 0x40 is the
    // ideographic space.
    {"kanji value", "/U\x8E\x52\x93\x63", 0x04, kNull, "\x8E\x52\x93\x63", kNull, kNull, kNull},
    {"trail byte 0x20 never ends a bare value", "/U\x81\x20x /Oy", 0x0C, kNull, "\x81\x20x", "y",
     kNull, kNull},
    {"trail byte 0x22 never ends a quoted value", "/U\"\x81\x22z\" /Oy", 0x0C, kNull, "\x81\x22z",
     "y", kNull, kNull},
    {"lead byte at the end of the line drops the value", "/Pabc /U\x8E\x52\x93", 0x14, "abc", kNull,
     kNull, kNull, kNull},
    {"lead byte at the end of a quoted value at the end", "/U\"ab\x82", 0x04, kNull, kNull, kNull,
     kNull, kNull},
    {"lead byte then blank: the blank is its trail byte", "/U\x82 x /Oq", 0x0C, kNull, "\x82 x",
     "q", kNull, kNull},
    {"half-width kana are single bytes", "/U\xD4\xCF\xC0\xDE /Sx", 0x06, kNull, "\xD4\xCF\xC0\xDE",
     kNull, "x", kNull},
    {"the slash search ignores lead bytes", "\x81/Pa", 0x10, "a", kNull, kNull, kNull, kNull},
};

TEST(ParseOptionsTest, FieldsAndMask) {
    CharClass classes = ClassesFor(932);
    for (const ParseCase& c : kParseCases) {
        RegistrationOptions options;
        memset(&options, 0x55, sizeof options);
        EXPECT_EQ(c.mask, ParseOptions(c.tail, classes, &options)) << c.why;
        EXPECT_EQ(OrNull(c.productid), OrNull(options.productid)) << c.why;
        EXPECT_EQ(OrNull(c.username), OrNull(options.username)) << c.why;
        EXPECT_EQ(OrNull(c.organization), OrNull(options.organization)) << c.why;
        EXPECT_EQ(OrNull(c.serialno), OrNull(options.serialno)) << c.why;
        EXPECT_EQ(OrNull(c.readme), OrNull(options.readme)) << c.why;
    }
}

TEST(ParseOptionsTest, ClassesFollowTheCodePage) {
    // Under 1252 0x82 is an ordinary byte, so the value keeps it.
    RegistrationOptions options;
    ParseOptions("/Uab\x82", ClassesFor(1252), &options);
    EXPECT_EQ("ab\x82", OrNull(options.username));
    // Under 936 0xFE is a lead byte, and the blank after it is its trail byte.
    ParseOptions("/U\xFE x /Oy", ClassesFor(936), &options);
    EXPECT_EQ("\xFE x", OrNull(options.username));
    EXPECT_EQ("y", OrNull(options.organization));
}

TEST(ParseOptionsTest, EveryFieldPointsIntoTheCommandCopy) {
    RegistrationOptions options;
    unsigned mask = ParseOptions("/Rr /Ss /Uu /Oo /Pp /W7 /Cc /Tt", ClassesFor(932), &options);
    EXPECT_EQ(0xFFu, mask);
    const char* fields[] = {options.readme,       options.serialno,  options.username,
                            options.organization, options.productid, options.owner_class,
                            options.owner_title};
    for (const char* field : fields) {
        ASSERT_NE(nullptr, field);
        EXPECT_GE(field, options.command_copy);
        EXPECT_LT(field, options.command_copy + kCommandCopySize);
    }
    EXPECT_STREQ("c", options.owner_class);
    EXPECT_STREQ("t", options.owner_title);
    EXPECT_EQ(7, options.owner_window);
}

struct NumberCase {
    const char* why;
    const char* tail;
    int32_t owner_window;
};

const NumberCase kNumberCases[] = {
    {"plain number", "/W1234", 1234},
    {"hexadecimal is not read", "/W0x1A", 0},
    {"negative", "/W-5", -5},
    {"plus sign", "/W+12", 12},
    {"wraps modulo 2^32", "/W4294967297", 1},
    {"largest signed value", "/W2147483647", 2147483647},
    {"one past it wraps negative", "/W2147483648", INT32_MIN},
    {"2^32 - 1 reads as -1", "/W4294967295", -1},
    {"far beyond 32 bits", "/W99999999999999999999", 1661992959},
    {"no digits", "/Wabc", 0},
    {"digits stop at the first other byte", "/W12ab34", 12},
    {"white space before the digits inside quotes", "/W\" \t\r\n\v\f42\"", 42},
    {"blank right after the letter", "/W 42", 0},
    {"later value wins", "/W1 /W2", 2},
    {"dropped value keeps the earlier number", "/W5 /W\x82", 5},
    {"sign without digits", "/W-", 0},
};

TEST(ParseOptionsTest, OwnerWindowNumber) {
    CharClass classes = ClassesFor(932);
    for (const NumberCase& c : kNumberCases) {
        RegistrationOptions options;
        unsigned mask = ParseOptions(c.tail, classes, &options);
        EXPECT_EQ(unsigned(kOptionOwnerWindow), mask) << c.why;
        EXPECT_EQ(c.owner_window, options.owner_window) << c.why;
    }
}

std::string Repeated(int count, const std::string& text) {
    std::string repeated;
    for (int i = 0; i < count; ++i) repeated += text;
    return repeated;
}

struct LongTailCase {
    const char* why;
    std::string tail;
    std::string username;  // "(null)" when absent
    std::string serialno;
    int32_t owner_window;
};

// Only the first 511 bytes of the tail are read, and a value that runs into that cut is dropped
// rather than read cut short, unless the byte after the cut would have ended it anyway.
const LongTailCase kLongTailCases[] = {
    {"exactly 511 bytes are read whole", "/U" + std::string(509, 'a'), std::string(509, 'a'),
     "(null)", 0},
    {"a bare value running past byte 511 is dropped", "/U" + std::string(600, 'a'), "(null)",
     "(null)", 0},
    {"a bare value ended by a blank right after the cut is whole",
     "/Sx /U" + std::string(505, 'a') + " /Oq", std::string(505, 'a'), "x", 0},
    {"a quoted value closed right after the cut is whole",
     "/U\"" + std::string(508, 'a') + "\" /Sx", std::string(508, 'a'), "(null)", 0},
    {"a quoted value running past the cut is dropped", "/U\"" + std::string(600, 'a') + "\"",
     "(null)", "(null)", 0},
    {"a number cut by the copy keeps the earlier number",
     "/W7 " + std::string(501, 'x') + "/W123456", "(null)", "(null)", 7},
    {"a number ending right at the cut is whole", "/W7 " + std::string(501, 'x') + "/W1234 /Sy",
     "(null)", "(null)", 1234},
    {"a double-byte character split by the cut drops its value",
     "/Sx /U" + std::string(254, 'a') + Repeated(130, "\x8E\x52"), "(null)", "x", 0},
    {"options after the cut are not read", "/Ufirst " + std::string(503, 'x') + " /Usecond",
     "first", "(null)", 0},
    {"2,000 bytes", "/Sx /U" + std::string(1994, 'a'), "(null)", "x", 0},
};

TEST(ParseOptionsTest, LongTailIsReadUpToByte511WithoutCuttingAValue) {
    for (const LongTailCase& c : kLongTailCases) {
        RegistrationOptions options;
        ParseOptions(c.tail.c_str(), ClassesFor(932), &options);
        EXPECT_EQ(c.username, OrNull(options.username)) << c.why;
        EXPECT_EQ(c.serialno, OrNull(options.serialno)) << c.why;
        EXPECT_EQ(c.owner_window, options.owner_window) << c.why;
    }
}

struct WideCase {
    const char* why;
    std::string ansi_tail;  // as the ANSI code page (932 here) hands it over
    std::string wide_tail;  // the same line as the installer wrote it, UTF-8 here
    const char* readme;
    const char* owner_class;
    const char* owner_title;
    // productid|username|organization|serialno, which the code page's check reads from here
    std::string details = "(null)|(null)|(null)|(null)";
};

const std::string kPair = "𠮷";  // a supplementary-plane character: two UTF-16 units, one '?'
// With "/T" and " /Cc" around it, 1,024 UTF-16 units; the ANSI line cuts right after it.
const std::string kTitleOfPairs = Repeated(509, kPair);

// The UTF-16 reading gives the paths and window names, and the details for the code page's check,
// but only for options the ANSI reading has.
const WideCase kWideCases[] = {
    {"a folder the code page cannot spell arrives whole",
     "/R\"C:\\Program Files\\????\\readme.txt\" /Uabc",
     "/R\"C:\\Program Files\\サンプル\\readme.txt\" /Uabc",
     "C:\\Program Files\\サンプル\\readme.txt", kNull, kNull, "(null)|abc|(null)|(null)"},
    {"class and title, lower-case letters", "/cSetupWnd /t\"? ?\"", "/cSetupWnd /t\"鬼 Zoë\"",
     kNull, "SetupWnd", "鬼 Zoë"},
    {"an option past the ANSI reading's cut is not taken", "/Rr " + std::string(510, 'x') + " /Cc",
     "/Rr " + std::string(510, 'x') + " /Cc", "r", kNull, kNull},
    {"nor the later of two values when it lies past the cut",
     "/Rfirst " + std::string(505, 'x') + " /Rsecond",
     "/Rfirst " + std::string(505, 'x') + " /Rsecond", "first", kNull, kNull},
    {"a value the ANSI reading drops is dropped", "/Rabc /T\x82", "/Rabc /Tア", "abc", kNull,
     kNull},
    {"W takes its value from the ANSI reading and counts as an option", "/W12 /Rx /W\"3 /Ry\"",
     "/W12 /Rx /W\"3 /Ry\"", "x", kNull, kNull},
    {"a surrogate pair is two units of one character", "/T? /Cc", "/T𠮷 /Cc", kNull, "c", "𠮷"},
    {"an R value the ANSI reading drops is dropped", "/Rab\x82", "/Rabア", kNull, kNull, kNull},
    {"an unknown switch counts as an option read", "/LANG=ja /Rr /Cc /Tt", "/LANG=ja /Rr /Cc /Tt",
     "r", "c", "t"},
    {"lower-case r, and a lower-case w that takes its value", "/w\"3 /ry\" /rx", "/w\"3 /ry\" /rx",
     "x", kNull, kNull},
    {"class without title", "/CSetupWnd", "/CSetupWnd", kNull, "SetupWnd", kNull},
    {"an option only the ANSI line has is not in the UTF-16 reading",
     "/Ua /Rr",       // the code page writes the no-break space as a blank
     "/Ua\u00A0/Rr",  // so here it is part of the user's name, and there is no readme
     kNull, kNull, kNull, "(null)|a\u00A0/Rr|(null)|(null)"},
    {"1,024 units of surrogate pairs up to the ANSI reading's cut are read whole",
     "/T" + std::string(509, '?') + " /Cc", "/T" + kTitleOfPairs + " /Cc", kNull, kNull,
     kTitleOfPairs.c_str()},
    {"the details are read too", "/Pp /Uu /Oo /Ss", "/Pp /Uu /Oo /Ss", kNull, kNull, kNull,
     "p|u|o|s"},
};

TEST(ParseWideOptionsTest, PathsAndWindowNames) {
    CharClass classes = ClassesFor(932);
    for (const WideCase& c : kWideCases) {
        static RegistrationOptions options;
        ParseOptions(c.ansi_tail.c_str(), classes, &options);
        std::u16string wide_tail = U16(c.wide_tail.c_str());
        static WideOptions wide;
        // ParseWideOptions must set every field itself: what it leaves shows as "stale".
        static_cast<OptionFields<char16_t>&>(wide) = {u"stale", u"stale", u"stale", u"stale",
                                                      u"stale", u"stale", u"stale"};
        ParseWideOptions(wide_tail.c_str(), options, &wide);
        EXPECT_EQ(OrNull(c.readme), Utf8(wide.readme)) << c.why;
        EXPECT_EQ(OrNull(c.owner_class), Utf8(wide.owner_class)) << c.why;
        EXPECT_EQ(OrNull(c.owner_title), Utf8(wide.owner_title)) << c.why;
        EXPECT_EQ(c.details, Utf8(wide.productid) + "|" + Utf8(wide.username) + "|" +
                                 Utf8(wide.organization) + "|" + Utf8(wide.serialno))
            << c.why;
    }
}

TEST(LeaveOutDetailsNotInCodePageTest, OnlyTheDetailsNamedGo) {
    const struct {
        const char* why;
        unsigned not_in_code_page;
        const char* kept;  // the letters of the details that stay
    } cases[] = {
        {"all held", 0, "PUOS"},
        {"the user's name only", kOptionUserName, "POS"},
        {"every detail", kOptionProductId | kOptionUserName | kOptionOrganization | kOptionSerialNo,
         ""},
        {"paths and window names are no details", kOptionReadme | kOptionOwnerTitle, "PUOS"},
    };
    for (const auto& c : cases) {
        RegistrationOptions options;
        ParseOptions("/Pp /Uu /Oo /Ss /Rr /Tt", ClassesFor(932), &options);
        LeaveOutDetailsNotInCodePage(c.not_in_code_page, &options);
        std::string kept;
        if (options.productid != nullptr) kept += 'P';
        if (options.username != nullptr) kept += 'U';
        if (options.organization != nullptr) kept += 'O';
        if (options.serialno != nullptr) kept += 'S';
        EXPECT_EQ(c.kept, kept) << c.why;
        EXPECT_EQ("r", OrNull(options.readme)) << c.why;
    }
}

}  // namespace
