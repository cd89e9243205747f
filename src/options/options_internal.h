// The steps ParseOptions is made of, for the tests that take them one at a time. Nothing else
// calls them: the program reads its options with ParseOptions alone.
#pragma once

#include "options/options.h"

// From `position` in the command copy, finds the next option and stores its value. Returns where
// scanning goes on, or null when there is nothing more to read; `*bit` is the option's bit, or 0
// when nothing was recorded.
char* NextOption(char* position, const CharClass& classes, RegistrationOptions* options,
                 unsigned* bit);

// Cuts one value out of the command copy starting exactly at `position` (quoted when it starts
// with a double quote, else ended by a blank), stores where it starts into `*field` and returns
// the position after it, or null when the line ends. A lead byte at the end of the line drops the
// value: `*field` becomes null.
char* TakeValue(char* position, const CharClass& classes, const char** field);
