#include "ui/code_page_win32.h"

#include <windows.h>

#include "options/option_table.h"

// CPINFO's lead-byte ranges go to SetUpCharClass as they are.
static_assert(kLeadBytePairsSize == MAX_LEADBYTES, "kLeadBytePairsSize mirrors windows.h");
static_assert(sizeof(CPINFO::LeadByte) == kLeadBytePairsSize, "CPINFO holds MAX_LEADBYTES bytes");

namespace {

bool NeedsDefaultCharacter(unsigned code_page, const char16_t* value) {
    // UTF-8 holds every character, and WideCharToMultiByte refuses the flag for it.
    if (value == nullptr || code_page == CP_UTF8) return false;
    BOOL used_default = FALSE;
    int length = WideCharToMultiByte(code_page, 0, reinterpret_cast<const wchar_t*>(value), -1,
                                     nullptr, 0, nullptr, &used_default);
    return length > 0 && used_default;
}

}  // namespace

void SetUpCodePageClasses(unsigned code_page, CharClass* classes) {
    CPINFO info;
    const unsigned char* lead_bytes = nullptr;
    if (GetCPInfo(code_page, &info) && info.MaxCharSize >= 2) lead_bytes = info.LeadByte;
    SetUpCharClass(classes, code_page, lead_bytes);
}

unsigned DetailsTheCodePageCannotHold(unsigned code_page, const WideOptions& wide) {
    unsigned cannot_hold = 0;
    for (const OptionRow& option : kOptions) {
        if (IsDetail(option) && NeedsDefaultCharacter(code_page, wide.*option.wide_field))
            cannot_hold |= option.bit;
    }
    return cannot_hold;
}
