#include "ui/command_tail.h"

const char* SkipProgramName(const char* command_line, const CharClass& classes) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(command_line);
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') {
            // A lead byte takes its trail byte along, unless the line ends right after it.
            p += (IsLeadByte(classes, *p) && p[1] != '\0') ? 2 : 1;
        }
        if (*p == '"') ++p;
    } else {
        while (*p > 0x20) ++p;
    }
    while (*p >= 0x01 && *p <= 0x20) ++p;
    return reinterpret_cast<const char*>(p);
}
