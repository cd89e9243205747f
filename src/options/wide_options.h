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

struct WideOptions {
    char16_t command_copy[kWideCommandCopySize];
    const char16_t* readme;        // R
    const char16_t* serialno;      // S
    const char16_t* username;      // U
    const char16_t* organization;  // O
    const char16_t* productid;     // P
    const char16_t* owner_class;   // C
    const char16_t* owner_title;   // T
};

// Reads `tail` with the grammar of ParseOptions, but only as far as the ANSI reading `ansi` went
// (its options_read), and keeps a field only where `ansi` has the same field: a value the ANSI
// reading dropped (cut by its 511-byte copy, or ending in a lone lead byte) is dropped here too.
void ParseWideOptions(const char16_t* tail, const RegistrationOptions& ansi, WideOptions* wide);

// The details of `wide_details` (a mask of kOptionProductId, kOptionUserName,
// kOptionOrganization and kOptionSerialNo) that the ANSI code page could write only with its
// default character are left out of `options`: a detail is sent as the user wrote it or not at
// all, never as question marks. Characters the code page writes as a near letter (ë as e under
// code page 932) count as held, as Windows hands them over.
void LeaveOutUnheldDetails(unsigned unheld_details, RegistrationOptions* options);
