// regcomplete-check: shows installer authors what a command-line tail will do in regcomplete.exe,
// stamps a vendor's host and names into a released program, shows what a program carries and
// decodes a registration address. One file per mode reads that mode's arguments
// (check_modes.h); main only picks the mode from the word that names it, the check mode when
// none does. Everything is printed through check_output.h.
#include <string.h>

#include "check_modes.h"
#include "check_output.h"
#include "check_platform.h"
#include "request/registration_host.h"
#include "version.h"

namespace {

// The usage, a line each: what --help prints, and what docs/check-tool.md tells at length.
constexpr const char* kUsage[] = {
    "usage: regcomplete-check [--utf8] [--codepage N] [--lead-ranges 81-9F,E0-FC]",
    "                         [--htm-command TEMPLATE] [--module-path PATH] [--system-dir PATH]",
    "                         [--web-default yes|no] [--elevated full|default|no]",
    "                         [--session N] [--station visible|hidden]",
    "                         [--host HOST | --program PROGRAM] (-- TAIL | --tail-file FILE)",
    "       regcomplete-check --stamp --host HOST [--company NAME] [--copyright TEXT] PROGRAM OUT",
    "       regcomplete-check --show PROGRAM",
    "       regcomplete-check --decode [ADDRESS]",
    "       regcomplete-check --version",
    "       regcomplete-check --help | -h | -? | /?",
    "Every form also takes --print-utf8, which writes UTF-8 to a file or pipe.",
    "The first form shows what the command-line tail TAIL does in regcomplete.exe, with a note",
    "for each detail that would not reach the address as given; --stamp writes a copy of the",
    "release's PROGRAM that registers at HOST to OUT; --show prints what a program carries;",
    "--decode prints the details a registration address carries, as typed: ADDRESS, or without",
    "it each line of standard input.",
    "Exit codes: 0 done, nothing lost; 1 a detail lost, a program that cannot register, or a stamp",
    "refused; 2 bad usage, or a file that cannot be read or written. Without arguments the tool",
    "prints this usage and exits with 2.",
    "docs/check-options.md has every option, with examples.",
};

int VersionMode(int, char**, int) {
    const char* host = RegistrationHost();
    Say(Stream::kOut, "regcomplete-check " REGCOMPLETE_VERSION " (host %s)\n",
        host[0] != '\0' ? host : "none: a release to stamp");
    return 0;
}

int HelpMode(int, char**, int) {
    for (const char* line : kUsage) Say(Stream::kOut, "%s\n", line);
    return 0;
}

struct Mode {
    const char* word;  // the argument that names the mode
    bool alone;        // it takes no other argument
    int (*run)(int argc, char** argv, int first);
};

constexpr Mode kModes[] = {
    {"--stamp", false, StampMode},    {"--show", false, ShowMode}, {"--decode", false, DecodeMode},
    {"--version", true, VersionMode}, {"--help", true, HelpMode},  {"-h", true, HelpMode},
    {"-?", true, HelpMode},           {"/?", true, HelpMode},
};

}  // namespace

int main(int argc, char** argv) {
    StartCheckProcess();
    WriteStdoutAsBytes();
    int word = 1;
    while (word < argc && TakeCommonOption(argv[word])) ++word;
    // Started with nothing to do (as from a double-click): the usage, and the exit code of bad
    // usage, so that a script that lost its arguments does not pass for one that checked.
    if (word == argc) {
        HelpMode(argc, argv, word);
        return 2;
    }
    for (const Mode& mode : kModes) {
        if (strcmp(argv[word], mode.word) != 0) continue;
        int rest = 0;
        if (!mode.alone || TakeOperands(argc, argv, word + 1, &rest) == 0)
            return mode.run(argc, argv, word + 1);
    }
    return CheckMode(argc, argv, word);
}
