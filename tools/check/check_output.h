// Everything regcomplete-check prints goes through here, so that it reads right wherever it goes:
// to a console as UTF-16 (WriteConsoleW on Windows; on the host a terminal, which takes UTF-8),
// anywhere else as UTF-8. What the tool did not write itself (names, paths, a file's bytes, the
// tail) is escaped where it could act on a terminal: a control character, an unpaired surrogate,
// a byte that is no UTF-8 and a character that turns text around are written as \xNN or \uNNNN.
// One exception: the tail's details without --utf8 are written to a file or pipe as their bytes
// (the ones the address is built from), but for their control bytes; at a console they are text.
#pragma once

#include <stddef.h>
#include <stdio.h>

enum class Stream { kOut, kErr };

// The tool's own text, printf-style: messages, labels, numbers. Line ends are kept, and an
// argument too is escaped (pass what a user gave with the functions below instead).
void Say(Stream stream, const char* format, ...) __attribute__((format(printf, 2, 3)));

// UTF-8 text, a byte that is no part of UTF-8 escaped.
void PutText(Stream stream, const char* text);

// UTF-16 text.
void PutWide(Stream stream, const char16_t* text);

// Bytes a file holds where ASCII text belongs (a host slot, a marker): anything beyond printable
// ASCII escaped.
void PutFileBytes(Stream stream, const char* bytes);

// Text in `code_page`: at a console as its characters; elsewhere as UTF-8, or with `as_bytes`
// its very bytes.
void PutCodePageText(Stream stream, const char* bytes, unsigned code_page, bool as_bytes);

// `count` units of UTF-16 (escaped already) as UTF-8 into `file`: what a file or pipe gets, and
// on the host a terminal too.
void WriteUnitsAsUtf8(FILE* file, const char16_t* units, size_t count);

// --print-utf8: what goes to a file or pipe is UTF-8 whatever the console's code page. A stand-in
// until the output layer writes other code pages: it writes UTF-8 there already.
void SetPrintUtf8(bool utf8);
