// What every fuzz target checks, written apart from the code under test so that a fault there is
// not repeated here: its own lead-byte ranges per code page, its own JIS X 0208 codes for the
// half-width katakana (worked out from the order of the syllabary, not copied from a table), a
// plain percent-decoder, the expected decoded and encoded form of a detail, and a reader of
// registration addresses. A broken invariant prints what broke and aborts, which libFuzzer
// reports as a crash together with the input that caused it.
//
// This is test code for the host: unlike the core it may use the heap and std::string freely.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "codepage/char_class.h"

// The form's base addresses at a host of the fuzzers' own, as the program composes them.
constexpr const char kFuzzSslBase[] = "https://regist.example.com/entry/regist.php";
constexpr const char kFuzzPlainBase[] = "http://regist.example.com/entry/regist.php";

// `what` is worked out only when the check fails, so it may be costly to build.
#define FUZZ_CHECK(condition, what)                                         \
    do {                                                                    \
        if (!(condition)) FuzzFail(__FILE__, __LINE__, #condition, (what)); \
    } while (0)

[[noreturn]] inline void FuzzFail(const char* file, int line, const char* condition,
                                  const std::string& what) {
    fprintf(stderr, "%s:%d: invariant broken: %s\n  %s\n", file, line, condition, what.c_str());
    abort();
}

// Shows bytes in a failure message: printable ASCII as it is, everything else as \xNN, and a long
// text as its start and end with its length between.
inline std::string Shown(const std::string& bytes) {
    constexpr size_t kShownEnds = 40;
    if (bytes.size() > 3 * kShownEnds) {
        return Shown(bytes.substr(0, kShownEnds)) + "...(" + std::to_string(bytes.size()) +
               " bytes)..." + Shown(bytes.substr(bytes.size() - kShownEnds));
    }
    std::string shown = "\"";
    for (unsigned char byte : bytes) {
        if (byte >= 0x20 && byte < 0x7F && byte != '\\' && byte != '"') {
            shown += static_cast<char>(byte);
        } else {
            char escape[8];
            snprintf(escape, sizeof escape, "\\x%02X", byte);
            shown += escape;
        }
    }
    return shown + "\"";
}
inline std::string Shown(const char* text) {
    return text == nullptr ? std::string("(null)") : Shown(std::string(text));
}

// ---- Reading the fuzzer's input ----

struct FuzzInput {
    const uint8_t* data;
    size_t size;

    // The next byte, or 0 once the input is used up.
    uint8_t TakeByte() {
        if (size == 0) return 0;
        --size;
        return *data++;
    }
    // The next two bytes as a number, the first the high byte (an output size, mostly).
    size_t TakeSize() {
        size_t high = TakeByte();
        return (high << 8) | TakeByte();
    }
    // The bytes up to the next zero byte (which is used up too) or to the end.
    std::string TakeUntilZero() {
        size_t length = strnlen(reinterpret_cast<const char*>(data), size);
        std::string text(reinterpret_cast<const char*>(data), length);
        size_t used = length < size ? length + 1 : length;
        data += used;
        size -= used;
        return text;
    }
};

// A zero-terminated copy of `text` in a heap block of exactly its length plus the zero, so that
// AddressSanitizer reports any read past the terminator.
inline std::unique_ptr<char[]> ExactCopy(const std::string& text) {
    std::unique_ptr<char[]> copy(new char[text.size() + 1]);
    memcpy(copy.get(), text.c_str(), text.size() + 1);
    return copy;
}

// An output buffer of exactly `size` bytes, filled with a byte that is never a terminator so that
// a missing one shows.
inline std::unique_ptr<char[]> FilledBuffer(size_t size) {
    std::unique_ptr<char[]> buffer(new char[size]);
    memset(buffer.get(), 0xA5, size);
    return buffer;
}

// UTF-16 text up to the next zero byte of the input, two bytes (low, then high) a unit.
inline std::u16string TakeUnits(FuzzInput* input) {
    std::string bytes = input->TakeUntilZero();
    std::u16string units;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                       static_cast<unsigned char>(bytes[i + 1]) << 8);
    return units;
}

inline bool TerminatedWithin(const char* buffer, size_t size) {
    return memchr(buffer, '\0', size) != nullptr;
}

// ---- Code pages ----

// A code page the program does not know by heart, so that its lead bytes come from the ranges the
// platform reports.
constexpr unsigned kReportedCodePage = 10001;

struct FuzzCodePage {
    unsigned code_page;
    bool has_reported;  // whether lead-byte ranges are reported for it
    unsigned char reported[kLeadBytePairsSize];
};

// The first input byte picks the code page: the double-byte ones the program knows, a single-byte
// one, one whose reported ranges make a blank, a quote, a slash and a backslash lead bytes (and
// report a range starting at zero), and one whose ranges are the next twelve input bytes.
inline FuzzCodePage TakeCodePage(FuzzInput* input) {
    static const unsigned kNamed[] = {932, 936, 949, 950, 1361, 1252};
    static const unsigned char kOddRanges[kLeadBytePairsSize] = {
        0x20, 0x22, 0x2F, 0x2F, 0x5C, 0x5C, 0x00, 0x05, 0xF0, 0xFF, 0x00, 0x00};
    FuzzCodePage page = {};
    unsigned pick = input->TakeByte() % 8;
    if (pick < 6) {
        page.code_page = kNamed[pick];
    } else if (pick == 6) {
        page.code_page = kReportedCodePage;
        page.has_reported = true;
        memcpy(page.reported, kOddRanges, sizeof page.reported);
    } else {
        page.code_page = kReportedCodePage;
        page.has_reported = true;
        for (unsigned char& byte : page.reported) byte = input->TakeByte();
    }
    return page;
}

inline bool InRange(unsigned char byte, unsigned first, unsigned last) {
    return byte >= first && byte <= last;
}

// Whether `byte` starts a double-byte character under `page`. The terminating zero never does,
// whatever is reported.
inline bool ModelLead(const FuzzCodePage& page, unsigned char byte) {
    if (byte == 0) return false;
    switch (page.code_page) {
        case 932: return InRange(byte, 0x81, 0x9F) || InRange(byte, 0xE0, 0xFC);
        case 936:
        case 949:
        case 950: return InRange(byte, 0x81, 0xFE);
        case 1361:
            return InRange(byte, 0x81, 0xD3) || InRange(byte, 0xD8, 0xDE) ||
                   InRange(byte, 0xE0, 0xF9);
    }
    if (!page.has_reported) return false;
    for (size_t i = 0; i + 1 < kLeadBytePairsSize; i += 2) {
        if (page.reported[i] == 0 && page.reported[i + 1] == 0) break;
        if (InRange(byte, page.reported[i], page.reported[i + 1])) return true;
    }
    return false;
}

inline bool ModelKana(const FuzzCodePage& page, unsigned char byte) {
    return page.code_page == 932 && InRange(byte, 0xA1, 0xDF);
}

// Sets up the classes for `page` and checks them against the model byte by byte.
inline CharClass CheckedClasses(const FuzzCodePage& page) {
    CharClass classes;
    SetUpCharClass(&classes, page.code_page, page.has_reported ? page.reported : nullptr);
    for (unsigned byte = 0; byte < 256; ++byte) {
        FUZZ_CHECK(
            IsLeadByte(classes, byte) == ModelLead(page, byte) &&
                IsKanaByte(classes, byte) == ModelKana(page, byte),
            "code page " + std::to_string(page.code_page) + ", byte " + std::to_string(byte));
    }
    return classes;
}

// ---- Half-width katakana ----

// Cell in row 5 of JIS X 0208 of the full-width form of a half-width katakana letter. Row 5 holds
// the katakana in the order of the syllabary: a small vowel, ya, yu, yo, tsu or wa just before its
// large form, a voiced form just after its plain one, and in the ha row the semi-voiced form after
// that. 0 for a byte that is no letter.
inline unsigned KatakanaCell(unsigned char byte) {
    if (InRange(byte, 0xA7, 0xAB)) return 1 + 2 * (byte - 0xA7);   // small a i u e o
    if (InRange(byte, 0xB1, 0xB5)) return 2 + 2 * (byte - 0xB1);   // a i u e o
    if (InRange(byte, 0xB6, 0xBF)) return 11 + 2 * (byte - 0xB6);  // ka..ko, sa..so, each + voiced
    switch (byte) {
        case 0xC0: return 31;  // ta (da 32)
        case 0xC1: return 33;  // chi (dji 34)
        case 0xAF: return 35;  // small tsu
        case 0xC2: return 36;  // tsu (dzu 37)
        case 0xC3: return 38;  // te (de 39)
        case 0xC4: return 40;  // to (do 41)
        case 0xDC: return 79;  // wa, after small wa
        case 0xA6: return 82;  // wo, after wi and we
        case 0xDD: return 83;  // n
    }
    if (InRange(byte, 0xC5, 0xC9)) return 42 + (byte - 0xC5);      // na..no
    if (InRange(byte, 0xCA, 0xCE)) return 47 + 3 * (byte - 0xCA);  // ha..ho
    if (InRange(byte, 0xCF, 0xD3)) return 62 + (byte - 0xCF);      // ma..mo
    if (InRange(byte, 0xAC, 0xAE)) return 67 + 2 * (byte - 0xAC);  // small ya yu yo
    if (InRange(byte, 0xD4, 0xD6)) return 68 + 2 * (byte - 0xD4);  // ya yu yo
    if (InRange(byte, 0xD7, 0xDB)) return 73 + (byte - 0xD7);      // ra..ro
    return 0;
}

// JIS X 0208 code of the full-width form of a byte from 0xA0 to 0xDF; 0 for any other byte.
inline uint16_t ModelKanaJis(unsigned char byte) {
    switch (byte) {
        case 0xA0: return 0x2121;  // ideographic space
        case 0xA1: return 0x2123;  // ideographic full stop
        case 0xA2: return 0x2156;  // opening corner bracket
        case 0xA3: return 0x2157;  // closing corner bracket
        case 0xA4: return 0x2122;  // ideographic comma
        case 0xA5: return 0x2126;  // middle dot
        case 0xB0: return 0x213C;  // prolonged sound mark
        case 0xDE: return 0x212B;  // voiced sound mark, never merged with the letter before it
        case 0xDF: return 0x212C;  // semi-voiced sound mark
    }
    unsigned cell = KatakanaCell(byte);
    return cell == 0 ? 0 : static_cast<uint16_t>(0x2500 + 0x20 + cell);
}

// Checks the program's kana table against the model once per run.
inline void CheckKanaTable() {
    for (unsigned byte = 0; byte < 256; ++byte) {
        FUZZ_CHECK(FullWidthKanaCode(byte) == ModelKanaJis(byte), "byte " + std::to_string(byte));
    }
}

// ---- Details and their encoding ----

// What a detail must decode to from the registration address: each double-byte character as it
// is, each half-width katakana as the two bytes of its JIS X 0208 code, every other byte as it
// is, and nothing from a lone lead byte at the end on.
inline std::string ExpectedDetail(const FuzzCodePage& page, const char* value) {
    std::string expected;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(value); *p != 0; ++p) {
        if (ModelLead(page, *p)) {
            if (p[1] == 0) break;
            expected += static_cast<char>(p[0]);
            expected += static_cast<char>(p[1]);
            ++p;
        } else if (ModelKana(page, *p)) {
            uint16_t code = ModelKanaJis(*p);
            expected += static_cast<char>(code >> 8);
            expected += static_cast<char>(code & 0xFF);
        } else {
            expected += static_cast<char>(*p);
        }
    }
    return expected;
}

// The bytes that must not stand bare in a detail: those that would end or split the query, be
// read as a blank by a form decoder, or break the browser's command line apart.
inline bool MustEscape(unsigned char byte) {
    return byte <= 0x20 || byte >= 0x7F || strchr("\"#%&+", byte) != nullptr;
}

inline void AppendPercent(std::string* out, unsigned char byte) {
    char escape[4];
    snprintf(escape, sizeof escape, "%%%02X", byte);
    *out += escape;
}

// The exact encoded form of a detail: both bytes of a double-byte character and of a kana's JIS
// code escaped, the bytes of MustEscape escaped as themselves, everything else bare.
inline std::string ExpectedEncoding(const FuzzCodePage& page, const char* value) {
    std::string expected;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(value); *p != 0; ++p) {
        if (ModelLead(page, *p)) {
            if (p[1] == 0) break;
            AppendPercent(&expected, p[0]);
            AppendPercent(&expected, p[1]);
            ++p;
        } else if (ModelKana(page, *p)) {
            uint16_t code = ModelKanaJis(*p);
            AppendPercent(&expected, code >> 8);
            AppendPercent(&expected, code & 0xFF);
        } else if (MustEscape(*p)) {
            AppendPercent(&expected, *p);
        } else {
            expected += static_cast<char>(*p);
        }
    }
    return expected;
}

inline int HexValue(char digit) {
    if (digit >= '0' && digit <= '9') return digit - '0';
    if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
    if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
    return -1;
}

// Standard percent-decoding. False for a "%" without two hexadecimal digits after it, and for a
// bare "+", which a form decoder would turn into a blank.
inline bool PercentDecode(const std::string& text, std::string* decoded) {
    decoded->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') return false;
        if (text[i] != '%') {
            *decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return false;
        int high = HexValue(text[i + 1]);
        int low = high < 0 ? -1 : HexValue(text[i + 2]);
        if (low < 0) return false;
        *decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

// Every byte of an address is printable ASCII other than the blank, and none is a double quote,
// so that the address is one argument of the browser's command line and adds none.
inline bool IsAddressText(const std::string& text) {
    for (unsigned char byte : text) {
        if (byte < 0x21 || byte > 0x7E || byte == '"') return false;
    }
    return true;
}

struct QueryParameter {
    std::string key;
    std::string value;  // as written, still encoded
};

// Splits the query that follows `base` in `address` into its parameters. False when the address
// does not start with `base`, or what follows is not "?" and "&"-separated key=value pairs.
inline bool SplitQuery(const std::string& address, const std::string& base,
                       std::vector<QueryParameter>* parameters) {
    parameters->clear();
    if (address.compare(0, base.size(), base) != 0) return false;
    if (address.size() == base.size()) return true;
    if (address[base.size()] != '?') return false;
    size_t start = base.size() + 1;
    for (;;) {
        size_t end = address.find('&', start);
        std::string pair = address.substr(start, end == std::string::npos ? end : end - start);
        size_t equals = pair.find('=');
        if (equals == std::string::npos || equals == 0) return false;
        parameters->push_back({pair.substr(0, equals), pair.substr(equals + 1)});
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

// Every target checks the independent kana table once before its first input. Each target is its
// own program and includes this header once, so the definition stands here.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CheckKanaTable();
    return 0;
}
