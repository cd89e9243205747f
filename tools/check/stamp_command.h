// regcomplete-check --stamp and --show: a vendor's host and names written into a released
// regcomplete.exe, and read back from any regcomplete.exe; and the host a program registers at,
// for the check mode's --program. The files are read and written by the platform
// (check_platform.h): a stamp never writes through or removes anything but its own temporary file.
#pragma once

#include "check_platform.h"
#include "request/registration_host.h"

struct StampArguments {
    NamedFile input;
    NamedFile output;
    const char* host;           // the host as the rule reads it (UTF-8)
    const char16_t* host_text;  // the host as given, to name it in a message
    const char16_t* company;    // null when not given
    const char16_t* copyright;  // null when not given
    const char* bad_name;       // "--company" or "--copyright" when it could not be taken, or null
    ArgumentText name_problem;  // why not
};

// What to do about `host`, which is no host name for `problem`, for a message after it: with the
// host meant where the text gives one.
const char* HostNameAdvice(HostNameProblem problem, const char* host);

// Writes a stamped copy of `input` to `output`; refuses, with a message on stderr and nothing
// written, whatever cannot be stamped. Prints what it wrote and what it replaced. The exit code:
// 0 stamped, 1 refused, 2 a file could not be read or written.
int RunStamp(const StampArguments& arguments);

// Prints the version, host and names `file` carries, and the release it was made from; 1 when it is
// no regcomplete.exe, 2 when it cannot be read.
int RunShow(const NamedFile& file);

// The host that the program `file` registers at into `host` (empty when it has none): 0, or as
// RunShow's exit code with its message.
int ReadProgramHost(const NamedFile& file, char* host, size_t host_size);
