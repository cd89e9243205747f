// The modes of regcomplete-check, one file each with its own arguments: the check of a
// command-line tail (check_mode.cpp), --stamp, --show and --decode (stamp_mode.cpp,
// show_mode.cpp, decode_mode.cpp). check_main.cpp picks one from its table. What the modes'
// arguments have in common is here too, so that each is read one way in every mode.
#pragma once

#include <stddef.h>

#include "check_platform.h"

// A mode reads argv[first] to argv[argc - 1], the arguments after its own word (for the check
// mode, which has none, the first argument), and returns the tool's exit code.
int CheckMode(int argc, char** argv, int first);
int StampMode(int argc, char** argv, int first);
int ShowMode(int argc, char** argv, int first);
int DecodeMode(int argc, char** argv, int first);

// Applies `argument` if it is an option every mode takes (--print-utf8); false if it is none.
bool TakeCommonOption(const char* argument);

// The arguments from argv[first] on that are no common option, which it applies: how many, and
// in `*operand` the index of the first (0 when there is none).
int TakeOperands(int argc, char** argv, int first, int* operand);

// One line on stderr: what is wrong, and where the usage is. Returns 2, the exit code of bad
// usage.
int Usage(const char* problem);

// What is wrong with the option `option`: unknown, or given without its value.
const char* UnknownOption(const char* option, bool has_value);

// Argument `index` as a file the platform opens (check_platform.h).
NamedFile FileArgument(char** argv, int index, char16_t* name, size_t name_size);

// A host given as argument `index`: as the rule reads it into `host` (UTF-8, every character
// beyond ASCII as one byte beyond it) and as given into `text`, to name it in a message; both of
// kWidePathSize, which no command line outgrows.
void TakeHost(char** argv, int index, char* host, char16_t* text);
