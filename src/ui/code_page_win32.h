// What the system says about an ANSI code page: its byte classes, and which details of the
// command line it can write only as question marks. Win32; shared by the program and the check
// tool, so that both read a command line the same way.
#pragma once

#include "codepage/char_class.h"
#include "options/wide_options.h"

// Byte classes of `code_page`, with the lead-byte ranges the system reports for it.
void SetUpCodePageClasses(unsigned code_page, CharClass* classes);

// The mask of the details of `wide` (IsDetail in option_table.h) that `code_page` can write only
// with its default character, for LeaveOutDetailsNotInCodePage. Windows' best-fit letters count
// as held: they are what the ANSI command line carries.
unsigned DetailsTheCodePageCannotHold(unsigned code_page, const WideOptions& wide);
