#include "options/command_tail.h"

#include <string.h>

#include <vector>

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

struct TailCase {
    const char* why;
    unsigned code_page;
    const char* line;
    const char* tail;
};

// Shift_JIS: 山田 is 8E 52 93 63; 表 is 95 5C; 0x81 0x40 is the ideographic space. Under code page
// 1252 no byte is a lead byte.
const TailCase kTailCases[] = {
    {"quoted program path with blanks", 932,
     "\"C:\\Program Files\\Vendor\\regcomplete.exe\" /Pabc /U\"Taro Yamada\"",
     "/Pabc /U\"Taro Yamada\""},
    {"several blanks after the closing quote", 932, "\"C:\\a b\\r.exe\"    /Pabc", "/Pabc"},
    {"text right after the closing quote", 932, "\"C:\\r.exe\"/Pabc", "/Pabc"},
    {"empty quoted name", 932, "\"\" /Pabc", "/Pabc"},
    {"quoted name alone", 932, "\"C:\\a b\\r.exe\"", ""},
    {"quoted name and blanks only", 932, "\"C:\\a b\\r.exe\" \t ", ""},
    {"line ends inside the quoted name", 932, "\"C:\\Program Files\\r.exe /Pabc", ""},
    {"line ends inside the quoted name on a lead byte", 932, "\"C:\\Program Files\\\x95", ""},
    {"line ends inside the quoted name after a whole character", 932, "\"C:\\\x95\x5C", ""},
    {"a lead byte takes the closing quote as its trail byte", 932, "\"C:\\\x95\" /Pabc", ""},
    {"without lead bytes the same quote closes the name", 1252, "\"C:\\\x95\" /Pabc", "/Pabc"},
    {"trail byte 0x22 inside the quoted name does not close it", 932,
     "\"C:\\\x81\x22x y.exe\" /Pabc", "/Pabc"},
    {"trail byte 0x5C inside the quoted name", 932, "\"C:\\\x95\x5C\\r.exe\" /Pabc", "/Pabc"},
    {"trail byte 0x20 inside the quoted name", 932, "\"C:\\\x81\x20x.exe\" /Pabc", "/Pabc"},
    {"quoted kanji folder with blanks", 932,
     "\"C:\\\x8E\x52\x93\x63 \x8E\x52\\r.exe\" /U\x8E\x52\x93\x63", "/U\x8E\x52\x93\x63"},
    {"bare name", 932, "regcomplete.exe /Pabc", "/Pabc"},
    {"bare name alone", 932, "regcomplete.exe", ""},
    {"bare name with kanji", 932, "C:\\\x8E\x52\x93\x63\\r.exe /Pabc", "/Pabc"},
    {"bare name with bytes 0x80 and above under a single-byte code page", 1252,
     "C:\\\xE9\xFF\x80\\r.exe /Pabc", "/Pabc"},
    {"a bare name ends at 0x20 even right after a lead byte", 932, "r\x81\x20x /Pabc", "x /Pabc"},
    {"a quote inside a bare name is an ordinary byte", 932, "ab\"c d /Pabc", "d /Pabc"},
    {"a tab ends a bare name", 932, "r.exe\t/Pabc", "/Pabc"},
    {"a control byte ends a bare name", 932, "r.exe\x01/Pabc", "/Pabc"},
    {"blanks, tabs and control bytes after the name are skipped", 932, "r.exe \t\x01\x1F\r\n /Pabc",
     "/Pabc"},
    {"0x7F after the blanks starts the tail", 932, "r.exe \x7F/Pabc", "\x7F/Pabc"},
    {"an ideographic space is not a blank", 932, "r.exe \x81\x40/Pabc", "\x81\x40/Pabc"},
    {"blanks inside and at the end of the tail are kept", 932, "r.exe  /Pa  /Ub  ", "/Pa  /Ub  "},
    {"a line starting with a blank has an empty name", 932, " r.exe /Pabc", "r.exe /Pabc"},
    {"empty line", 932, "", ""},
    {"blanks only", 932, "   ", ""},
};

class CommandTail : public testing::TestWithParam<TailCase> {};

TEST_P(CommandTail, SkipsTheProgramName) {
    const TailCase& c = GetParam();
    // An exact-size copy, so that reading past the terminating zero is caught by the sanitizers.
    size_t length = strlen(c.line);
    std::vector<char> line(c.line, c.line + length + 1);
    CharClass classes = ClassesFor(c.code_page);

    const char* tail = SkipProgramName(line.data(), classes);

    ASSERT_GE(tail, line.data()) << c.why;
    ASSERT_LE(tail, line.data() + length) << c.why;
    EXPECT_STREQ(c.tail, tail) << c.why;
    // The tail is the end of the line itself, not a copy.
    EXPECT_EQ(length - strlen(c.tail), static_cast<size_t>(tail - line.data())) << c.why;
}

INSTANTIATE_TEST_SUITE_P(Table, CommandTail, testing::ValuesIn(kTailCases));

}  // namespace
