// Encoding of one registration detail for the query string of the registration address.
#pragma once

#include <stddef.h>

#include "codepage/char_class.h"

// Writes the encoded form of the zero-terminated `value` into `out` and returns `out`:
//  - a double-byte character becomes its lead and trail byte, each as "%XX";
//  - a half-width katakana becomes the two bytes of the JIS X 0208 code of its full-width form,
//    each as "%XX" (the registration form expects these, not the Shift_JIS bytes);
//  - control bytes, the blank, 0x7F, '"', '#', '%', '&', '+' and every other byte from 0x80 up
//    become "%XX" of the byte itself, so that a detail can neither break the query apart nor add
//    arguments to the browser's command line;
//  - every other byte is written unchanged.
// A lead byte at the very end of the value is dropped. When the whole encoding does not fit in
// `out_size` bytes (terminating zero included), `out` is left empty and the result is null: a
// detail is sent whole or not at all.
char* EncodeQueryValue(const char* value, const CharClass& classes, char* out, size_t out_size);
