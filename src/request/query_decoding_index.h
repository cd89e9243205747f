// The code points of double-byte Shift_JIS characters, for the query decoder: the WHATWG Encoding
// Standard's index-jis0208, which is also what Windows' code page 932 reads. A pair's pointer is
// its lead byte's row (188 pairs a row, from 0x81, and from 0xE0 on after the half-width katakana)
// and its trail byte's place in 0x40-0x7E, 0x80-0xFC. The user-defined area, pointers 8836 to
// 10715, is U+E000 on and left out of the table: kShiftJisIndex[pointer] before it,
// kShiftJisIndex[pointer - 1880] after it, 0 where there is no character.
#pragma once

#include <stddef.h>

constexpr unsigned kUserDefinedFirst = 8836;
constexpr unsigned kUserDefinedLast = 10715;

extern const char16_t kShiftJisIndex[];
extern const size_t kShiftJisIndexSize;
