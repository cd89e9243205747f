// Byte classes for the ANSI code pages the program knows by heart, and for any other double-byte
// code page from the ranges the platform reports.
#include "codepage/char_class.h"

#include <string.h>

namespace {

struct ByteRange {
    unsigned char first;
    unsigned char last;
};

struct KnownCodePage {
    unsigned code_page;
    ByteRange lead[3];  // unused ranges are {0, 0}
};

const KnownCodePage kKnownCodePages[] = {
    {932, {{0x81, 0x9F}, {0xE0, 0xFC}, {0, 0}}},
    {936, {{0x81, 0xFE}, {0, 0}, {0, 0}}},
    {949, {{0x81, 0xFE}, {0, 0}, {0, 0}}},
    {950, {{0x81, 0xFE}, {0, 0}, {0, 0}}},
    {1361, {{0x81, 0xD3}, {0xD8, 0xDE}, {0xE0, 0xF9}}},
};

void MarkRange(bool* marks, unsigned first, unsigned last) {
    for (unsigned byte = first; byte <= last && byte < 256; ++byte) marks[byte] = true;
}

}  // namespace

const uint16_t kKanaJisTable[64] = {
    0x2121, 0x2123, 0x2156, 0x2157, 0x2122, 0x2126, 0x2572, 0x2521,  // 0xA0
    0x2523, 0x2525, 0x2527, 0x2529, 0x2563, 0x2565, 0x2567, 0x2543,  // 0xA8
    0x213C, 0x2522, 0x2524, 0x2526, 0x2528, 0x252A, 0x252B, 0x252D,  // 0xB0
    0x252F, 0x2531, 0x2533, 0x2535, 0x2537, 0x2539, 0x253B, 0x253D,  // 0xB8
    0x253F, 0x2541, 0x2544, 0x2546, 0x2548, 0x254A, 0x254B, 0x254C,  // 0xC0
    0x254D, 0x254E, 0x254F, 0x2552, 0x2555, 0x2558, 0x255B, 0x255E,  // 0xC8
    0x255F, 0x2560, 0x2561, 0x2562, 0x2564, 0x2566, 0x2568, 0x2569,  // 0xD0
    0x256A, 0x256B, 0x256C, 0x256D, 0x256F, 0x2573, 0x212B, 0x212C,  // 0xD8
};

uint16_t FullWidthKanaCode(unsigned char byte) {
    if (byte < 0xA0 || byte > 0xDF) return 0;
    return kKanaJisTable[byte - 0xA0];
}

void SetUpCharClass(CharClass* classes, unsigned code_page,
                    const unsigned char* reported_lead_bytes) {
    memset(classes, 0, sizeof *classes);
    for (const KnownCodePage& known : kKnownCodePages) {
        if (known.code_page != code_page) continue;
        for (const ByteRange& range : known.lead) {
            if (range.first != 0) MarkRange(classes->lead, range.first, range.last);
        }
        // 0xA0 is neither lead nor kana under 932: only 0xA1 to 0xDF are half-width katakana.
        if (code_page == 932) MarkRange(classes->kana, 0xA1, 0xDF);
        return;
    }
    if (reported_lead_bytes == nullptr) return;
    for (size_t i = 0; i + 1 < kLeadBytePairsSize; i += 2) {
        unsigned char first = reported_lead_bytes[i];
        unsigned char last = reported_lead_bytes[i + 1];
        if (first == 0 && last == 0) break;
        // The terminating zero must stay a terminator whatever the platform reports.
        MarkRange(classes->lead, first == 0 ? 1 : first, last);
    }
}
