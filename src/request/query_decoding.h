// Reading a registration address back into the details as they were typed: for the check tool's
// --decode, which support staff run on an address from a customer's report and vendors run to
// test their form. The program itself never links it (regcomplete_decoding, not the core).
//
// It reverses query_encoding.h over the bytes that percent-decoding gives, because a desktop's
// URL handler may re-escape an address on its way to the browser (xdg-open decodes every "%XX" of
// an unreserved character). Whether a byte arrived escaped is used only where it settles a case;
// docs/receiving.md has the tables.
#pragma once

#include <stddef.h>

#include "codepage/char_class.h"

// A katakana that may have been typed as "%" and the byte after it: "%" before a byte that makes
// the pair a half-width katakana's JIS X 0208 code reads as that katakana.
struct KanaAmbiguity {
    size_t character;  // its place in the decoded text, counting from 1 (one UTF-16 unit each)
    char typed[3];     // what may have been typed instead, zero-terminated
};

constexpr size_t kAmbiguitiesKept = 16;

struct DecodeNotes {
    size_t ambiguity_count;  // all of them, also those beyond kAmbiguitiesKept
    KanaAmbiguity ambiguities[kAmbiguitiesKept];
};

// The raw value of `key` in `address` (a whole address or only its query, with or without the
// "?"), up to the next "&" or "#", and its length in `*length`; the last one when the key comes
// twice, as a form reader takes it. Null when the key is absent.
const char* FindQueryValue(const char* address, const char* key, size_t* length);

// Decodes the `length` bytes of a raw query value, Shift_JIS, into `out` as UTF-16,
// zero-terminated, and returns `out`. `classes` are code page 932's. Percent-decoding first ("+" is
// a blank, a "%" without two hexadecimal digits stands for itself, a decoded zero byte is dropped),
// then:
//  - 0x25 or 0x21 and a byte that make the JIS X 0208 code of a half-width katakana's full-width
//    form are that full-width katakana, but for a "!" or "%" that arrived bare, which was typed;
//    one that may have been a typed "%" is noted in `notes`;
//  - a half-width katakana byte (sent by some other encoder) is its full-width katakana too;
//  - a voiced or semi-voiced mark from a half-width katakana composes with the katakana from a
//    half-width one right before it when JIS X 0208 has the composed form; otherwise it stays
//    the full-width mark;
//  - every other byte reads as a browser reads Shift_JIS (the WHATWG Encoding Standard's decoder):
//    ASCII and 0x80 are themselves, a lead byte and a trail byte are the pair's character, and
//    what is no character is U+FFFD: a lead byte without a trail byte, a pair with no character,
//    0xA0 and 0xFD-0xFF. An ASCII byte after a lead byte that makes no character with it is read
//    again on its own; any other byte after it is taken with it.
// Null, with `out` empty, when the text does not fit `out_size` units; `length` and one always do.
char16_t* DecodeQueryValue(const char* raw, size_t length, const CharClass& classes, char16_t* out,
                           size_t out_size, DecodeNotes* notes);
