// The installer's slash options, read once from the command-line tail into one record.
//
// The syntax is lenient: nothing is rejected, malformed input just gives fewer options. Values are
// cut out of a copy of the tail in place (the byte that ends a value becomes a zero byte), so every
// string field points into `command_copy`; the record must not be copied, or its fields would
// point into the original.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "codepage/char_class.h"

constexpr size_t kCommandCopySize = 512;  // 511 bytes of the tail and the terminating zero

// The text fields, the same in both readings but for the unit (bytes here, UTF-16 in WideOptions).
// Which letter fills which field: kOptions (option_table.h).
template <typename Unit>
struct OptionFields {
    const Unit* readme;
    const Unit* serialno;
    const Unit* username;
    const Unit* organization;
    const Unit* productid;
    const Unit* owner_class;
    const Unit* owner_title;
};

struct RegistrationOptions : OptionFields<char> {
    char command_copy[kCommandCopySize];
    int32_t owner_window;  // W, 0 when none
    // How many options (a slash, a letter and what follows) the scan went through, known or not:
    // the second, UTF-16 reading of the same line (WideOptions) goes no further, so that it never
    // takes an option this reading did not see.
    unsigned options_read;
};

// One bit per option letter, in the mask ParseOptions returns.
enum OptionBit : unsigned {
    kOptionReadme = 0x01,
    kOptionSerialNo = 0x02,
    kOptionUserName = 0x04,
    kOptionOrganization = 0x08,
    kOptionProductId = 0x10,
    kOptionOwnerWindow = 0x20,
    kOptionOwnerClass = 0x40,
    kOptionOwnerTitle = 0x80,
};

// Fills `options` from `tail` and returns the mask of the letters recognised. A bit may be set
// while its field is null: a value ending in a lone lead byte is dropped. A tail longer than 511
// bytes is read up to its 511th byte.
unsigned ParseOptions(const char* tail, const CharClass& classes, RegistrationOptions* options);
