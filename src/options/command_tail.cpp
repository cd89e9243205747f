#include "options/command_tail.h"

namespace {

// Both readings share one walk; only the byte version has lead bytes to step over.
template <typename Unit, typename StepOver>
const Unit* SkipName(const Unit* p, StepOver step_over) {
    if (*p == '"') {
        ++p;
        while (*p != 0 && *p != '"') p += step_over(p);
        if (*p == '"') ++p;
    } else {
        while (*p > 0x20) ++p;
    }
    while (*p >= 0x01 && *p <= 0x20) ++p;
    return p;
}

}  // namespace

const char* SkipProgramName(const char* command_line, const CharClass& classes) {
    const unsigned char* line = reinterpret_cast<const unsigned char*>(command_line);
    // A lead byte takes its trail byte along, unless the line ends right after it.
    auto step = [&classes](const unsigned char* p) {
        return IsLeadByte(classes, *p) && p[1] != 0 ? 2 : 1;
    };
    return reinterpret_cast<const char*>(SkipName(line, step));
}

const char16_t* SkipProgramName(const char16_t* command_line) {
    return SkipName(command_line, [](const char16_t*) { return 1; });
}
