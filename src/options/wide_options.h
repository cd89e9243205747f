// The second reading of the command line, as UTF-16. Windows hands a program its command line in
// the ANSI code page too, where a name that code page cannot spell arrives as question marks: the
// readme's path and the owner's class and title are taken from this reading, so that they reach
// Notepad and FindWindowW as the installer wrote them. The details of the address stay bytes of
// the ANSI reading (RegistrationOptions), which is also the authority on which options are
// present at all.
#pragma once

#include <stddef.h>

#include "options/options.h"

// Each byte of the ANSI copy is at least half a UTF-16 unit of the same text, so this holds
// whatever part of the line the ANSI reading saw, and its delimiter.
constexpr size_t kWideCommandCopySize = 2 * kCommandCopySize;

// The text fields of RegistrationOptions in UTF-16; W's number is only there.
struct WideOptions : OptionFields<char16_t> {
    char16_t command_copy[kWideCommandCopySize];
};

// Reads `tail` with the grammar of ParseOptions, but only as far as the ANSI reading `ansi` went
// (its options_read), and keeps a field only where `ansi` has the same field: a value the ANSI
// reading dropped (cut by its 511-byte copy, or ending in a lone lead byte) is dropped here too.
void ParseWideOptions(const char16_t* tail, const RegistrationOptions& ansi, WideOptions* wide);

// The details named in `not_in_code_page` (a mask of their bits, as DetailsTheCodePageCannotHold
// gives it) are left out of `options`, since the ANSI code page could write them only with its
// default character: a detail is sent as the user wrote it or not at all, never as question
// marks. Characters the code page writes as a near letter (ë as e under code page 932) count as
// held, as Windows hands them over. Bits of options that are no details are ignored.
void LeaveOutDetailsNotInCodePage(unsigned not_in_code_page, RegistrationOptions* options);
