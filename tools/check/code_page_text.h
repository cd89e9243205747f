// Text between the code page the program reads, the UTF-16 it reads paths and window names in, and
// the UTF-8 of a terminal or a file: for the check tool's --utf8, its warning about a tail that
// looks like UTF-8, and its UTF-8 output of paths and commands. The .exe converts with
// Windows' own tables, as Windows does for an installer's command line (code_page_text_win32.cpp);
// the host tool with glibc's iconv (code_page_text_host.cpp), whose tables agree with them for the
// characters an installer passes. What needs no table is in code_page_text.cpp, for both.
#pragma once

#include <stddef.h>
#include <stdio.h>

constexpr unsigned kUtf8CodePage = 65001;

constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";  // U+FFFD
constexpr size_t kReplacementLength = sizeof kReplacementUtf8 - 1;

enum class TextConversion {
    kConverted,
    kNotUtf8,          // the input is not valid UTF-8
    kNotInCodePage,    // a character the code page cannot hold: never replaced by a look-alike
    kTooLong,          // the result does not fit the output buffer
    kUnknownCodePage,  // this system has no table for the code page
};

// The message for --utf8 when `what` ("the tail") could not be converted.
const char* ConversionProblem(TextConversion result, const char* what);

// Converts `size` bytes of UTF-8 into `code_page`, zero-terminated in `out`.
TextConversion Utf8ToCodePage(const char* text, size_t size, unsigned code_page, char* out,
                              size_t out_size);

// Writes `text` (zero-terminated, in `code_page`) as UTF-8 into `out`, always zero-terminated and
// cut after the last whole character that fits. A byte that starts no character of the code page
// becomes a replacement character (U+FFFD, or on Windows the code page's own); without a table for
// the code page, so does every byte beyond ASCII.
void CodePageToUtf8(const char* text, unsigned code_page, char* out, size_t out_size);

// False when some bytes of `text` are no character of `code_page`; true when they all are, and
// when this system cannot tell.
bool IsCodePageText(const char* text, size_t size, unsigned code_page);

// Length of the UTF-8 sequence at `p` (`left` bytes on), or 0 when none starts there: overlong
// forms (an overlong NUL too), surrogates and code points beyond U+10FFFF are no sequences, as no
// UTF-8 encoder writes them.
size_t Utf8SequenceLength(const unsigned char* p, size_t left);

// `code_point` (up to U+10FFFF) as UTF-8 into `out`, which has room for 4 bytes: their count.
size_t CodePointToUtf8(unsigned long code_point, char* out);

// Whether `size` bytes are valid UTF-8.
bool IsUtf8(const char* text, size_t size);

// `text` as UTF-8 without a table for its code page: ASCII is still ASCII in every code page the
// program meets, and every other byte becomes U+FFFD. Cut where the next character would not fit.
void AsciiToUtf8(const char* text, char* out, size_t out_size);

// Valid UTF-8 with at least one character beyond ASCII: Japanese typed in a UTF-8 terminal or
// saved in a UTF-8 file. Shift_JIS text hardly ever is, as its lead bytes 0x81 to 0x9F cannot
// start a UTF-8 sequence.
bool LooksLikeUtf8(const char* text, size_t size);

#ifdef _WIN32
// As Utf8ToCodePage, from the UTF-16 that Windows holds a command line in.
TextConversion WideToCodePage(const wchar_t* text, unsigned code_page, char* out, size_t out_size);
#endif

// One character, `count` (1 or 2) units of UTF-16, in `code_page` into `out`: its length in bytes,
// or 0 when the code page cannot hold it exactly (no look-alike, no default character) or `out`
// is too small.
size_t EncodeCharacter(unsigned code_page, const char16_t* units, size_t count, char* out,
                       size_t out_size);

// `bytes` in `code_page` as UTF-16 into `out`. Where the platform cannot convert that code page,
// each byte becomes the unit of the same value. False, with `out` empty, when it does not fit.
bool DecodeCodePage(unsigned code_page, const char* bytes, char16_t* out, size_t out_size);

// UTF-8 `text` as UTF-16 into `out`; a byte that is not part of a valid sequence becomes U+FFFD.
// False, with `out` empty, when it does not fit.
bool DecodeUtf8(const char* text, char16_t* out, size_t out_size);
