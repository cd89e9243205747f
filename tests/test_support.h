// Shared helpers of the native tests.
#pragma once

#include <string>

#include "codepage/char_class.h"

inline CharClass ClassesFor(unsigned code_page, const unsigned char* reported = nullptr) {
    CharClass classes;
    SetUpCharClass(&classes, code_page, reported);
    return classes;
}

// Shows a possibly null field in a failure message.
inline std::string OrNull(const char* text) {
    return text != nullptr ? text : "(null)";
}
