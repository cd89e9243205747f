// The one list of the slash options. Both readings of the command line, the fields they reset,
// the details the code page cannot hold, the registration address and the check tool all walk
// it, so that a letter, its bit, its fields and its query key are written here and nowhere else.
//
// The details (the rows with a query key) stand first, in the order the address gives them.
#pragma once

#include "options/options.h"
#include "options/wide_options.h"

struct OptionRow {
    char letter;                               // upper case; the lower case is read the same
    unsigned bit;                              // in the mask ParseOptions returns
    const char* RegistrationOptions::*field;   // null for W, which is a number
    const char16_t* WideOptions::*wide_field;  // null for W
    const char* query_key;                     // null: not a detail
};

inline constexpr OptionRow kOptions[] = {
    {'P', kOptionProductId, &RegistrationOptions::productid, &WideOptions::productid, "productid"},
    {'U', kOptionUserName, &RegistrationOptions::username, &WideOptions::username, "username"},
    {'O', kOptionOrganization, &RegistrationOptions::organization, &WideOptions::organization,
     "organization"},
    {'S', kOptionSerialNo, &RegistrationOptions::serialno, &WideOptions::serialno, "serialno"},
    {'R', kOptionReadme, &RegistrationOptions::readme, &WideOptions::readme, nullptr},
    {'W', kOptionOwnerWindow, nullptr, nullptr, nullptr},
    {'C', kOptionOwnerClass, &RegistrationOptions::owner_class, &WideOptions::owner_class, nullptr},
    {'T', kOptionOwnerTitle, &RegistrationOptions::owner_title, &WideOptions::owner_title, nullptr},
};

// The two readings store the same options: W alone has no text field in either.
constexpr bool BothReadingsHoldTheSameFields() {
    for (const OptionRow& option : kOptions) {
        if ((option.field == nullptr) != (option.wide_field == nullptr)) return false;
    }
    return true;
}
static_assert(BothReadingsHoldTheSameFields(), "an option has a field in one reading only");

// A detail is sent to the registration form; the other options serve the program itself.
constexpr bool IsDetail(const OptionRow& option) {
    return option.query_key != nullptr;
}
