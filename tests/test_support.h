// Shared helpers of the native tests.
#pragma once

#include <stdio.h>
#ifndef _WIN32  // mingw-w64 has no iconv: the rows that use it run on the host only
#include <iconv.h>
#endif

#include <string>

#include "codepage/char_class.h"

inline CharClass ClassesFor(unsigned code_page, const unsigned char* reported = nullptr) {
    CharClass classes;
    SetUpCharClass(&classes, code_page, reported);
    return classes;
}

// Bytes as lower-case hexadecimal digits, as sha256sum prints a digest.
inline std::string Hex(const unsigned char* bytes, size_t size) {
    std::string hex;
    char digits[3];
    for (size_t i = 0; i < size; ++i) {
        snprintf(digits, sizeof digits, "%02x", bytes[i]);
        hex += digits;
    }
    return hex;
}

// Shows a possibly null field in a failure message.
inline std::string OrNull(const char* text) {
    return text != nullptr ? text : "(null)";
}

// UTF-8 text as UTF-16, for the tables of the UTF-16 code; null stays null.
inline std::u16string U16(const char* utf8) {
    std::u16string out;
    if (utf8 == nullptr) return u"(null)";
    const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8);
    while (*p != 0) {
        unsigned long c = *p;
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (extra > 0) c &= 0x3F >> extra;
        for (++p; extra > 0 && *p != 0; --extra, ++p) c = (c << 6) | (*p & 0x3F);
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

// A possibly null UTF-16 field as UTF-8, for comparing with the tables and for failure messages.
inline std::string Utf8(const char16_t* text) {
    if (text == nullptr) return "(null)";
    std::string out;
    for (; *text != 0; ++text) {
        unsigned long c = *text;
        if (c >= 0xD800 && c < 0xDC00 && text[1] >= 0xDC00 && text[1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[1] - 0xDC00);
            ++text;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

#ifndef _WIN32
// `text` from the character set `from` into `to` (glibc's iconv names) as far as it converts, into
// `out`: glibc's tables as a reference that owes nothing to the code under test. False when some of
// it is no character of `from`, or does not fit four bytes a byte.
inline bool IconvText(const char* to, const char* from, const std::string& text, std::string* out) {
    iconv_t descriptor = iconv_open(to, from);
    out->assign(4 * text.size() + 4, '\0');
    char* in = const_cast<char*>(text.data());
    size_t left = text.size();
    char* written = &(*out)[0];
    size_t room = out->size();
    bool converted = iconv(descriptor, &in, &left, &written, &room) != static_cast<size_t>(-1);
    iconv_close(descriptor);
    out->resize(out->size() - room);
    return converted;
}
#endif
