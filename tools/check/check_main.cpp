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

constexpr char kUsage[] =
    "usage: regcomplete-check [--utf8] [--codepage N] [--lead-ranges 81-9F,E0-FC]\n"
    "                         [--htm-command TEMPLATE] [--module-path PATH] [--system-dir PATH]\n"
    "                         [--web-default yes|no] [--elevated full|default|no]\n"
    "                         [--session N] [--station visible|hidden]\n"
    "                         [--host HOST | --program PROGRAM] (-- TAIL | --tail-file FILE)\n"
    "       regcomplete-check --stamp --host HOST [--company NAME] [--copyright TEXT] PROGRAM OUT\n"
    "       regcomplete-check --show PROGRAM\n"
    "       regcomplete-check --decode ADDRESS\n"
    "       regcomplete-check --version\n"
    "       regcomplete-check --help\n"
    "The first form shows what the command-line tail TAIL does in regcomplete.exe; --stamp writes\n"
    "a copy of the release's PROGRAM that registers at HOST to OUT; --show prints what a program\n"
    "carries; --decode prints the details a registration address carries, as typed.\n"
    "docs/check-tool.md has every option.\n";

int VersionMode(int, char**, int) {
    const char* host = RegistrationHost();
    Say(Stream::kOut, "regcomplete-check " REGCOMPLETE_VERSION " (host %s)\n",
        host[0] != '\0' ? host : "none: a release to stamp");
    return 0;
}

int HelpMode(int, char**, int) {
    Say(Stream::kOut, "%s", kUsage);
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
};

}  // namespace

int main(int argc, char** argv) {
    StartCheckProcess();
    WriteStdoutAsBytes();
    for (const Mode& mode : kModes) {
        if (argc >= 2 && strcmp(argv[1], mode.word) == 0 && (!mode.alone || argc == 2))
            return mode.run(argc, argv, 2);
    }
    return CheckMode(argc, argv, 1);
}
