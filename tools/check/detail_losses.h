// Which details of a command-line tail do not reach the registration address as given, and why:
// the check mode's notes. Decided by comparing what the program's own reader takes from the tail
// (options.h, which reads 511 bytes) with the whole tail read by that same reader, and with what
// the address holds (registration_url.h); nothing here reads options another way.
#pragma once

#include <stddef.h>

#include "code_page_text.h"
#include "codepage/char_class.h"
#include "options/option_table.h"
#include "options/options.h"
#include "options/wide_options.h"

enum class Loss {
    kNone,
    kPastReadLimit,     // the program reads 511 bytes of the tail; the detail is beyond them
    kNoRoom,            // the address had no room left for the detail
    kNotInCodePage,     // a character the code page cannot hold: the detail is left out
    kBlankAfterLetter,  // "/U name": the value is empty and the text after the blank ignored
};

struct DetailLoss {
    const OptionRow* option;
    Loss why;
    unsigned long character;  // kNotInCodePage: the first such character's code point
};

constexpr size_t kDetailCount = 4;  // the rows of kOptions with a query key

struct LossFacts {
    const char* tail;                 // the tail as the program's byte reading gets it
    const CharClass* classes;         // the code page's byte classes
    const RegistrationOptions* read;  // the program's reading of it
    const WideOptions* wide;          // the UTF-16 reading, to name a character
    unsigned not_in_code_page;        // the details left out for a character (their bits)
    unsigned code_page;
    const char* address;  // the address built from `read`, or null without a host
};

// The details lost, in the address's order, into `losses` (kDetailCount of them); returns how
// many.
size_t FindLosses(const LossFacts& facts, DetailLoss* losses);

// The first character of `text` that `code_page` cannot hold, as a code point; 0 when there is
// none, or this system has no table for the code page.
unsigned long FirstCharacterNotIn(unsigned code_page, const char16_t* text);

// The details of `wide` that hold a character `code_page` cannot hold, as a mask of their bits.
unsigned DetailsNotInCodePage(unsigned code_page, const WideOptions& wide);

// UTF-8 `text` in `code_page` into `out`, each character the code page cannot hold as "?", as the
// ANSI command line holds one where Windows has no character for it. As Utf8ToCodePage
// (code_page_text.h) but for that.
TextConversion Utf8ToCodePageOrQuestionMark(const char* text, unsigned code_page, char* out,
                                            size_t out_size);
