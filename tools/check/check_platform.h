// The facts regcomplete-check takes from the platform it runs on, one file each:
// check_win32.cpp reads what the program itself would read (the raw command line, the system's
// code page and byte classes, the registry, its own path, System32 and the token);
// check_host.cpp stands in for Windows with what a Linux terminal gives and fixed defaults. Both
// read and write the user's files the safe way (a temporary file renamed over the target, files
// told apart by identity) and say where a stream goes: a console, or a file or pipe in which
// encoding.
// Everything the tool decides from them is in its modes (check_modes.h), the same on both.
#pragma once

#include <stddef.h>
#include <stdio.h>

#include "check_output.h"
#include "codepage/char_class.h"
#include "launch/launch_plan.h"
#include "options/options.h"
#include "options/wide_options.h"

constexpr char kNoSeparator[] = "missing -- before the command-line tail";

// Readies the process before it reads anything: on Windows, DLLs from System32 only.
void StartCheckProcess();

// Makes stdout write the bytes it is given, where Windows would put a CR before each LF.
void WriteStdoutAsBytes();

// The code page the tail is read in unless --codepage names one: the system's ANSI code page on
// Windows, 932 on the host.
unsigned SystemCodePage();

// The byte classes of `code_page` as the program takes them: with the lead-byte ranges Windows
// reports for it; on the host, the fixed ones alone.
void SetUpSystemClasses(unsigned code_page, CharClass* classes);

// Where the tail after "--" is and how it was typed.
struct TailSource {
    int argc;
    char** argv;
    int separator;  // index of "--" in argv
    bool utf8;      // --utf8: typed as text, given back as UTF-8
    unsigned code_page;
};

// The tail after "--" in the code page, or under --utf8 as the UTF-8 text typed: on the host the
// one argument after it; on Windows everything after " -- " on the raw command line, so that
// quotes arrive exactly as an installer writes them (under --utf8, from the UTF-16 line: the text
// as typed, not as the system's code page could hold it, converted into `out`). Null, with
// `*problem` set, when there is none or it does not fit.
const char* TailAfterDoubleDash(const TailSource& source, const CharClass& classes, char* out,
                                size_t out_size, const char** problem);

// The UTF-16 reading as the program makes it, from the UTF-16 command line, with the details that
// `code_page` cannot hold left out of `options`. False when there is no such line to read under
// `code_page` (on the host, and on Windows under another code page than the system's).
bool ReadWideAsTheProgram(unsigned code_page, RegistrationOptions* options, WideOptions* wide);

// What the platform says of the browsers for https and http addresses, and the file type whose
// ".htm" command it read (or null). The host has no browser and no default for web addresses,
// and its System32 is C:\Windows\system32.
void ReadSystemBrowserFacts(BrowserFacts* ssl, BrowserFacts* plain, const char16_t** file_type);

// The tool's own path, or null when the platform cannot give it (always on the host).
const char16_t* SystemModulePath();

// The window station, the session, the token and who runs the desktop's shell. On the host, a
// visible station in session 1, not elevated, and the shell never runs as this user.
SessionFacts ReadSystemSession();

// What a text argument turned out to be.
enum class ArgumentText {
    kRead,
    kTooLong,  // it does not fit `out`
    kNotText,  // no Unicode text: bytes that are no UTF-8, or an unpaired surrogate
};

// Argument `index` of the command line as UTF-16 into `out`: on Windows from the Unicode command
// line, so that a vendor's name or a path arrives whole under any code page; UTF-8 on the host.
// Anything but kRead leaves `out` empty.
ArgumentText WideArgument(char** argv, int index, char16_t* out, size_t out_size);

// A file named on the command line: the bytes argv holds, which the host opens, and its name as
// UTF-16 (WideArgument's), which Windows opens and the tool prints.
struct NamedFile {
    const char* bytes;
    const char16_t* name;
};

// `file` opened for reading in binary mode, as fopen does (a FIFO too: a tail may come from a
// pipe), or null.
FILE* OpenToRead(const NamedFile& file);

// What a file is, as found without following a link.
enum class FileKind { kMissing, kRegular, kDirectory, kSymbolicLink, kDevice, kFifo, kOther };

// The system's words for why a file operation failed (strerror, FormatMessageW).
struct SystemReason {
    char16_t text[512];
};

// What `file` is. kMissing also when it cannot be looked at: the write then says why.
FileKind KindOfFile(const NamedFile& file);

enum class ReadResult { kRead, kNotRegular, kFailed };

// Reads up to `size` bytes of `file` into `buffer` (`*length` of them), if it is a regular file;
// a link to one is followed. Anything else (a directory, device or FIFO) is refused as it is
// opened, before a byte is read, so that nothing blocks; `*kind` says what it is.
ReadResult ReadRegularFile(const NamedFile& file, unsigned char* buffer, size_t size,
                           size_t* length, FileKind* kind, SystemReason* reason);

// Whether the two name one file, by its identity (device and inode; volume serial number and
// file index), whatever names lead to it: links, \\?\ and \\.\ forms, short names, case.
// False when either cannot be opened (the second may not exist yet).
bool SameFile(const NamedFile& first, const NamedFile& second);

// What became of a write.
enum class SaveResult {
    kSaved,
    kReadOnly,  // `file` is read-only: on Windows its attribute, on the host no write permission
                // in its mode at all (root too, which the system would let write); left as it was
    kNoFolder,  // the folder it goes into does not exist
    kFailed,    // the system's reason says why
};

// Writes `size` bytes as `file`, never through it: into a new temporary file in its folder,
// flushed to disk, then renamed over it (on Windows through the temporary file's own handle). On
// failure only that temporary file is removed. `reason` is the system's, for every result but
// kSaved.
SaveResult SaveFile(const NamedFile& file, const unsigned char* bytes, size_t size,
                    SystemReason* reason);

// How the platform's shell makes a folder with its parents ("mkdir", whose parents cmd makes
// too; "mkdir -p"), and makes a file writable again ("attrib -r"; "chmod u+w"), before the name.
extern const char kMakeFolder[];
extern const char kClearReadOnly[];

// Whether a reparse point with `tag` is a link: only a name surrogate (a symbolic link, a
// junction or mount point) leads to another file, as IsReparseTagNameSurrogate tells; any other
// (deduplication, compression, cloud files) is an ordinary file that a filter reads for Windows.
constexpr bool IsLinkReparseTag(unsigned long tag) {
    return (tag & 0x20000000ul) != 0;
}

// Where `stream` (stdout or stderr) goes: a console, which WriteConsoleUnits gives UTF-16
// (WriteConsoleW; on the host a terminal, which takes UTF-8); on Windows a file or pipe in the
// console's output code page, or the ANSI code page when the process has no console; on the host
// a file or pipe in UTF-8. `*code_page` is set for kCodePage.
OutputEncoding StreamEncoding(FILE* stream, unsigned* code_page);
void WriteConsoleUnits(FILE* stream, const char16_t* units, size_t count);
