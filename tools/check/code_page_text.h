// Text conversions of the check tool: the tail's bytes in a code page as UTF-16, as Windows would
// hand the program its UTF-16 command line, and UTF-16 printed as UTF-8, so that paths and
// commands read right in any terminal.
#pragma once

#include <stddef.h>
#include <stdio.h>

// `bytes` in `code_page` as UTF-16 into `out`. Where the platform cannot convert that code page,
// each byte becomes the unit of the same value. False, with `out` empty, when it does not fit.
bool DecodeCodePage(unsigned code_page, const char* bytes, char16_t* out, size_t out_size);

// UTF-8 `text` as UTF-16 into `out`; a byte that is not part of a valid sequence becomes U+FFFD.
// False, with `out` empty, when it does not fit.
bool DecodeUtf8(const char* text, char16_t* out, size_t out_size);

// Writes `text` as UTF-8; an unpaired surrogate becomes U+FFFD.
void PutUtf8(const char16_t* text, FILE* file);
