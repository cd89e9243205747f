// regcomplete-check --stamp and --show: a vendor's host and names written into a released
// regcomplete.exe, and read back from any regcomplete.exe. The platform's half (the file names'
// identity, the names as UTF-16 from the command line) is passed in.
#pragma once

struct StampArguments {
    const char* input;
    const char* output;
    const char* host;
    const char16_t* company;    // null when not given
    const char16_t* copyright;  // null when not given
    bool output_is_input;       // the two names are one file
    bool names_fit;             // false: a name was too long even to read whole
};

// Writes a stamped copy of `input` to `output`; refuses, with a message on stderr and no output
// file, whatever cannot be stamped. The exit code: 0 stamped, 1 refused, 2 a file could not be
// read or written.
int RunStamp(const StampArguments& arguments);

// Prints the version, host and names `path` carries, and the release it was made from; 1 when it
// is no regcomplete.exe, 2 when it cannot be read.
int RunShow(const char* path);
