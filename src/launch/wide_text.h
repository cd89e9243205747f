// Filling a fixed UTF-16 buffer piece by piece: a piece is appended whole or not at all, and the
// buffer is always zero-terminated.
#pragma once

#include <stddef.h>

struct WideText {
    char16_t* out;
    size_t size;  // of `out`, in units, terminating zero included
    size_t used;
};

template <typename Unit>
inline size_t TextLength(const Unit* text) {
    size_t length = 0;
    while (text[length] != 0) ++length;
    return length;
}

inline WideText StartText(char16_t* out, size_t out_size) {
    if (out_size > 0) out[0] = 0;
    return WideText{out, out_size, 0};
}

// A unit of UTF-16 as it is, and a byte as the unit of the same value.
inline char16_t UnitOf(char16_t unit) {
    return unit;
}
inline char16_t UnitOf(char byte) {
    return static_cast<unsigned char>(byte);
}

// `length` units of `piece`, each as the UTF-16 unit of the same value: UTF-16 itself, or bytes
// that are ASCII (an address) or Latin-1.
template <typename Unit>
inline bool AppendText(WideText* text, const Unit* piece, size_t length) {
    if (text->size == 0 || length >= text->size - text->used) return false;
    for (size_t i = 0; i < length; ++i) text->out[text->used + i] = UnitOf(piece[i]);
    text->used += length;
    text->out[text->used] = 0;
    return true;
}

inline bool AppendText(WideText* text, const char16_t* piece) {
    return AppendText(text, piece, TextLength(piece));
}

// Bytes that are ASCII (an address) or Latin-1, one unit each.
inline bool AppendBytes(WideText* text, const char* bytes) {
    return AppendText(text, bytes, TextLength(bytes));
}

// Empties `out` (when it has room for the zero) and answers false: what a function that fills
// `out` returns when the whole text does not fit.
inline bool EmptyAndFail(char16_t* out, size_t out_size) {
    if (out_size > 0) out[0] = 0;
    return false;
}

// `whole` when every piece went in; otherwise false with `out` emptied, so that nothing cut short
// is ever used.
inline bool WholeOrNothing(bool whole, char16_t* out, size_t out_size) {
    return whole || EmptyAndFail(out, out_size);
}

// The first occurrence of `needle` in `text`, or null.
inline const char16_t* FindText(const char16_t* text, const char16_t* needle) {
    for (; *text != 0; ++text) {
        size_t i = 0;
        while (needle[i] != 0 && text[i] == needle[i]) ++i;
        if (needle[i] == 0) return text;
    }
    return nullptr;
}
