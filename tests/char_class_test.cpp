#include "codepage/char_class.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace {

struct ClassCase {
    const char* why;
    unsigned code_page;
    const unsigned char* reported;
    unsigned char byte;
    bool lead;
    bool kana;
};

const unsigned char kOddRanges[kLeadBytePairsSize] = {0x90, 0x91, 0xA5, 0xA5, 0, 0};
const unsigned char kReported932[kLeadBytePairsSize] = {0x81, 0x9F, 0, 0};
const unsigned char kZeroStart[kLeadBytePairsSize] = {0x00, 0x05, 0, 0};
const unsigned char kFullList[kLeadBytePairsSize] = {0x81, 0x81, 0x83, 0x83, 0x85, 0x85,
                                                     0x87, 0x87, 0x89, 0x89, 0x8B, 0x8B};

const ClassCase kClassCases[] = {
    {"932: first lead byte", 932, nullptr, 0x81, true, false},
    {"932: last lead byte of the low range", 932, nullptr, 0x9F, true, false},
    {"932: 0xA0 is neither lead nor kana", 932, nullptr, 0xA0, false, false},
    {"932: first kana (kuten)", 932, nullptr, 0xA1, false, true},
    {"932: last kana (semi-voiced mark)", 932, nullptr, 0xDF, false, true},
    {"932: first lead byte of the high range", 932, nullptr, 0xE0, true, false},
    {"932: last lead byte", 932, nullptr, 0xFC, true, false},
    {"932: 0xFD is nothing", 932, nullptr, 0xFD, false, false},
    {"932: 0x80 is nothing", 932, nullptr, 0x80, false, false},
    {"932: ASCII backslash is nothing", 932, nullptr, 0x5C, false, false},
    {"932: the fixed table wins over what is reported", 932, kOddRanges, 0x90, true, false},
    {"936: 0xFE is lead", 936, nullptr, 0xFE, true, false},
    {"936: 0x80 is not", 936, nullptr, 0x80, false, false},
    {"936: no kana", 936, nullptr, 0xB1, true, false},
    {"949: 0x81 is lead", 949, nullptr, 0x81, true, false},
    {"950: 0xFF is not lead", 950, nullptr, 0xFF, false, false},
    {"1361: 0xD3 is lead", 1361, nullptr, 0xD3, true, false},
    {"1361: gap 0xD4 is not", 1361, nullptr, 0xD4, false, false},
    {"1361: 0xDE is lead", 1361, nullptr, 0xDE, true, false},
    {"1361: gap 0xDF is not", 1361, nullptr, 0xDF, false, false},
    {"1361: 0xF9 is lead", 1361, nullptr, 0xF9, true, false},
    {"1361: 0xFA is not", 1361, nullptr, 0xFA, false, false},
    {"1252: nothing is lead", 1252, nullptr, 0xE9, false, false},
    {"1252: ranges reported for a single-byte page are not passed in", 1252, nullptr, 0x81, false,
     false},
    {"other double-byte page: reported range used", 20932, kOddRanges, 0x91, true, false},
    {"other double-byte page: byte between ranges", 20932, kOddRanges, 0x92, false, false},
    {"other double-byte page: one-byte range", 20932, kOddRanges, 0xA5, true, false},
    {"other double-byte page: no kana even at 0xB1", 20932, kReported932, 0xB1, false, false},
    {"the terminating zero never becomes a lead byte", 20932, kZeroStart, 0x00, false, false},
    {"a range starting at zero still marks the rest", 20932, kZeroStart, 0x05, true, false},
    {"six pairs without a zero pair: the last one counts", 20932, kFullList, 0x8B, true, false},
    {"six pairs: nothing past the list", 20932, kFullList, 0x8C, false, false},
};

TEST(CharClassTest, ClassesOfEachCodePage) {
    for (const ClassCase& c : kClassCases) {
        CharClass classes = ClassesFor(c.code_page, c.reported);
        EXPECT_EQ(c.lead, IsLeadByte(classes, c.byte)) << c.why;
        EXPECT_EQ(c.kana, IsKanaByte(classes, c.byte)) << c.why;
    }
}

TEST(CharClassTest, Kana932CoversExactly0xA1To0xDF) {
    CharClass classes = ClassesFor(932);
    for (unsigned byte = 0; byte < 256; ++byte) {
        EXPECT_EQ(byte >= 0xA1 && byte <= 0xDF, IsKanaByte(classes, byte)) << byte;
    }
}

struct KanaCase {
    const char* why;
    unsigned char byte;
    uint16_t code;
};

const KanaCase kKanaCases[] = {
    {"0xA0 maps to the ideographic space", 0xA0, 0x2121},
    {"kuten", 0xA1, 0x2123},
    {"opening corner bracket", 0xA2, 0x2156},
    {"wo", 0xA6, 0x2572},
    {"small a", 0xA7, 0x2521},
    {"small tsu", 0xAF, 0x2543},
    {"prolonged sound mark", 0xB0, 0x213C},
    {"a", 0xB1, 0x2522},
    {"ta", 0xC0, 0x253F},
    {"tsu skips small tsu", 0xC2, 0x2544},
    {"ya", 0xD4, 0x2564},
    {"n", 0xDD, 0x2573},
    {"voiced mark stands alone", 0xDE, 0x212B},
    {"semi-voiced mark stands alone", 0xDF, 0x212C},
    {"below the table", 0x9F, 0},
    {"above the table", 0xE0, 0},
    {"ASCII", 'A', 0},
};

TEST(CharClassTest, FullWidthKanaCode) {
    for (const KanaCase& c : kKanaCases) EXPECT_EQ(c.code, FullWidthKanaCode(c.byte)) << c.why;
}

}  // namespace
