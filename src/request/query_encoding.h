// Encoding of one registration detail for the query string of the registration address.
#pragma once

#include <stddef.h>

#include "codepage/char_class.h"

// Whether a byte that stands for itself is sent as "%XX" rather than bare: the control bytes, the
// blank, 0x7F, '"', '#', '%', '&', '+' and every byte from 0x80 up. The decoder reads it too: a
// byte sent bare when typed that arrives escaped after "%25" can only be a katakana's.
inline bool IsEscapedInQuery(unsigned char byte) {
    switch (byte) {
        case '"':
        case '#':
        case '%':
        case '&':
        case '+':
        case 0x7F: return true;
        default: return byte <= 0x20 || byte >= 0x80;
    }
}

// Writes the encoded form of the zero-terminated `value` into `out` and returns `out`:
//  - a double-byte character becomes its lead and trail byte, each as "%XX";
//  - a half-width katakana becomes the two bytes of the JIS X 0208 code of its full-width form,
//    each as "%XX" (the registration form expects these, not the Shift_JIS bytes);
//  - the bytes of IsEscapedInQuery become "%XX" of the byte itself, so that a detail can neither
//    break the query apart nor add arguments to the browser's command line;
//  - every other byte is written unchanged.
// A lead byte at the very end of the value is dropped. When the whole encoding does not fit in
// `out_size` bytes (terminating zero included), `out` is left empty and the result is null: a
// detail is sent whole or not at all.
char* EncodeQueryValue(const char* value, const CharClass& classes, char* out, size_t out_size);
