// Byte classes of the system's ANSI code page: which bytes start a double-byte character and which
// are single-byte (half-width) katakana. Everything that walks the command line or a detail must
// step over a lead byte together with its trail byte, since under code page 932 a trail byte can
// look like a quote, a backslash or an ASCII letter.
//
// The classes are set up once at start-up from the code page number and the lead-byte ranges the
// platform reports for it; the caller passes both in, so this file never asks the platform.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct CharClass {
    bool lead[256];
    bool kana[256];
};

// Room for the lead-byte ranges the platform reports: up to six pairs of first and last byte,
// ended by a pair of zero bytes: MAX_LEADBYTES, which ui/code_page_win32.cpp checks it against.
constexpr size_t kLeadBytePairsSize = 12;

// `reported_lead_bytes` is the platform's list of lead-byte ranges for `code_page` (pairs of first
// and last byte, ended by a zero pair or by the end of the 12 bytes), or null when the platform
// cannot describe the code page or its characters are at most one byte long. It is used only for
// double-byte code pages that have no fixed table below.
void SetUpCharClass(CharClass* classes, unsigned code_page,
                    const unsigned char* reported_lead_bytes);

inline bool IsLeadByte(const CharClass& classes, unsigned char byte) {
    return classes.lead[byte];
}
inline bool IsKanaByte(const CharClass& classes, unsigned char byte) {
    return classes.kana[byte];
}

// JIS X 0208 code (row in the high byte, cell in the low byte) of the full-width counterpart of
// each byte from 0xA0 to 0xDF.
extern const uint16_t kKanaJisTable[64];

// The table entry for a byte from 0xA0 to 0xDF, 0 for any other byte.
uint16_t FullWidthKanaCode(unsigned char byte);
