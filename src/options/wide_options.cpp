// The UTF-16 reading of the options. UTF-16 has no lead bytes: no unit of a character other than
// the quote, the blank and the slash themselves equals them, so the walk is a plain one.
#include "options/wide_options.h"

namespace {

// Ends a value as TakeValue does: quoted at the next double quote, bare at the next blank.
char16_t* TakeWideValue(char16_t* p, const char16_t** field) {
    bool quoted = *p == u'"';
    if (quoted) ++p;
    *field = p;
    for (; *p != 0; ++p) {
        if (*p == (quoted ? u'"' : u' ')) {
            *p = 0;
            return p[1] == 0 ? nullptr : p + 1;
        }
    }
    return nullptr;
}

const char16_t* WideOptions::*FieldOf(char16_t letter) {
    switch (letter) {
        case u'R':
        case u'r': return &WideOptions::readme;
        case u'S':
        case u's': return &WideOptions::serialno;
        case u'U':
        case u'u': return &WideOptions::username;
        case u'O':
        case u'o': return &WideOptions::organization;
        case u'P':
        case u'p': return &WideOptions::productid;
        case u'C':
        case u'c': return &WideOptions::owner_class;
        case u'T':
        case u't': return &WideOptions::owner_title;
    }
    return nullptr;
}

char16_t* FindSlash(char16_t* p) {
    for (; *p != 0; ++p) {
        if (*p == u'/') return p;
    }
    return nullptr;
}

// The next option from `p`, as NextOption reads it; W's number is the ANSI reading's.
char16_t* NextWideOption(char16_t* p, WideOptions* wide) {
    char16_t* slash = FindSlash(p);
    if (slash == nullptr || slash[1] == 0 || slash[2] == 0) return nullptr;
    char16_t* value = slash + 2;
    bool is_number = slash[1] == u'W' || slash[1] == u'w';
    const char16_t* WideOptions::*field = FieldOf(slash[1]);
    if (field == nullptr && !is_number) return value;
    const char16_t* ignored = nullptr;
    return TakeWideValue(value, field != nullptr ? &(wide->*field) : &ignored);
}

const char16_t* KeptIf(const char* ansi_field, const char16_t* wide_field) {
    return ansi_field != nullptr ? wide_field : nullptr;
}

}  // namespace

void ParseWideOptions(const char16_t* tail, const RegistrationOptions& ansi, WideOptions* wide) {
    wide->readme = wide->serialno = wide->username = wide->organization = nullptr;
    wide->productid = wide->owner_class = wide->owner_title = nullptr;
    size_t length = 0;
    while (length < kWideCommandCopySize - 1 && tail[length] != 0) {
        wide->command_copy[length] = tail[length];
        ++length;
    }
    wide->command_copy[length] = 0;

    char16_t* position = wide->command_copy;
    for (unsigned read = 0; read < ansi.options_read && position != nullptr; ++read)
        position = NextWideOption(position, wide);

    wide->readme = KeptIf(ansi.readme, wide->readme);
    wide->serialno = KeptIf(ansi.serialno, wide->serialno);
    wide->username = KeptIf(ansi.username, wide->username);
    wide->organization = KeptIf(ansi.organization, wide->organization);
    wide->productid = KeptIf(ansi.productid, wide->productid);
    wide->owner_class = KeptIf(ansi.owner_class, wide->owner_class);
    wide->owner_title = KeptIf(ansi.owner_title, wide->owner_title);
}

void LeaveOutUnheldDetails(unsigned unheld_details, RegistrationOptions* options) {
    if ((unheld_details & kOptionProductId) != 0) options->productid = nullptr;
    if ((unheld_details & kOptionUserName) != 0) options->username = nullptr;
    if ((unheld_details & kOptionOrganization) != 0) options->organization = nullptr;
    if ((unheld_details & kOptionSerialNo) != 0) options->serialno = nullptr;
}
