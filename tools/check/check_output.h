// Everything regcomplete-check prints goes through here, so that it reads right wherever it goes:
//   - to a console as UTF-16 (WriteConsoleW on Windows; on the host a terminal, which takes UTF-8);
//   - on Windows to a file or a pipe in the console's output code page, as Windows' own tools
//     write, so that more, type, find and PowerShell read it right; with no console at all, in the
//     ANSI code page;
//   - on the host to a file or a pipe as UTF-8, the locale's encoding;
//   - under --print-utf8 (SetPrintUtf8) to a file or a pipe as UTF-8, on Windows too.
// What the tool did not write itself (names, paths, a file's bytes, the tail) is escaped where it
// could act on a terminal: a control character (a line break too, so that a value never starts a
// line of its own), an unpaired surrogate, a byte that is no UTF-8 and a character that turns
// text around are written as \xNN or \uNNNN. So is a character the output's code page cannot
// hold, never as '?' (beyond U+FFFF as the two \uNNNN of its surrogate pair). A backslash of a
// value that a reader could take for the start of an escape (one before 'x' or 'u') is written
// \x5C; every other backslash, as in a Windows path, stays as it is. Reading back: \xNN is the
// character or byte NN, \uNNNN the UTF-16 unit NNNN, and any other backslash is itself.
// One exception: the tail's details without --utf8 are written to a file or pipe as their bytes
// (the ones the address is built from), but for their control bytes and escapes, when the output
// is in their code page; on the host, whose files are UTF-8, too, unless --print-utf8.
#pragma once

#include <stddef.h>
#include <stdio.h>

enum class Stream { kOut, kErr };

// --print-utf8: a file or pipe gets UTF-8 instead of the code page (a console stays UTF-16).
void SetPrintUtf8(bool on);

// The tool's own text, printf-style: messages, labels, numbers. Line ends are kept, and the rest
// is escaped as a value's would be, but for its backslashes (pass what a user gave with the
// functions below instead).
void Say(Stream stream, const char* format, ...) __attribute__((format(printf, 2, 3)));

// UTF-8 text, a byte that is no part of UTF-8 escaped.
void PutText(Stream stream, const char* text);

// UTF-16 text.
void PutWide(Stream stream, const char16_t* text);

// Bytes a file holds where ASCII text belongs (a host slot, a marker): anything beyond printable
// ASCII escaped.
void PutFileBytes(Stream stream, const char* bytes);

// Text in `code_page`: at a console as its characters; elsewhere in the output's encoding, or
// with `as_bytes` as its very bytes where the exception above holds.
void PutCodePageText(Stream stream, const char* bytes, unsigned code_page, bool as_bytes);

// Where a stream goes, as check_platform.h's StreamEncoding reports it.
enum class OutputEncoding {
    kConsole,   // UTF-16 units to WriteConsoleUnits
    kUtf8,      // bytes of UTF-8
    kCodePage,  // bytes of `code_page`
};
struct Output {
    FILE* file;
    OutputEncoding encoding;
    unsigned code_page;  // for kCodePage
};

// The functions above write to `output`, once they know where their stream goes. SayTo takes the
// tool's own text, already formatted.
void SayTo(const Output& output, const char* text);
void PutTextTo(const Output& output, const char* text);
void PutWideTo(const Output& output, const char16_t* text);
void PutFileBytesTo(const Output& output, const char* bytes);
void PutCodePageTextTo(const Output& output, const char* bytes, unsigned code_page, bool as_bytes);

// `count` units of UTF-16 (escaped already) as UTF-8 into `file`: on the host what a terminal
// gets.
void WriteUnitsAsUtf8(FILE* file, const char16_t* units, size_t count);
