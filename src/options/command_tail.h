// The command-line tail: the process's command line without the program's name and the blanks
// after it. Kept apart from the Windows entry so that it can be tested anywhere.
#pragma once

#include "codepage/char_class.h"

// Returns where the tail starts inside `command_line`. A quoted name runs to the next double
// quote (a lead byte taking its trail byte with it) and that quote is skipped too; a bare name
// runs to the first byte from 0x00 to 0x20. The name never runs past the end of the line.
const char* SkipProgramName(const char* command_line, const CharClass& classes);

// The same rule for the UTF-16 command line, where no unit is half of another character's pair
// in a way that could look like a quote or a blank.
const char16_t* SkipProgramName(const char16_t* command_line);
