// regcomplete-check --decode [ADDRESS]: the address given, or each line of standard input in
// turn, for RunDecode (decode_command.h). Standard input serves where a command line would cut
// an address: cmd ends a command at the first "&" outside quotes, so a vendor pipes a file or
// pastes the address instead.
#include <stdio.h>
#include <string.h>

#include "check_modes.h"
#include "check_output.h"
#include "check_platform.h"
#include "decode_command.h"

namespace {

// The longest address RunDecode takes (32,767 bytes, as a command line), its CR and LF, and the
// zero: a longer line is no address.
constexpr size_t kLineSize = 32767 + 3;

// Reads what is left of a line that did not fit.
void SkipRestOfLine(FILE* file) {
    int c = 0;
    while ((c = fgetc(file)) != EOF && c != '\n') {
    }
}

// One address a line, each decoded in turn and apart from the one before by an empty line. A
// CR before the LF, a UTF-8 byte-order mark at the start and empty lines are no part of any
// address. The exit code is the highest of the addresses', 2 also for a line too long.
int DecodeLines(FILE* input) {
    static char line[kLineSize];
    int exit_code = 0;
    unsigned long number = 0;
    bool decoded_one = false;
    while (fgets(line, sizeof line, input) != nullptr) {
        ++number;
        size_t length = strlen(line);
        if (length == sizeof line - 1 && line[length - 1] != '\n') {
            SkipRestOfLine(input);
            Say(Stream::kErr,
                "regcomplete-check: --decode: line %lu is longer than an address can be; "
                "skipped\n",
                number);
            exit_code = 2;
            continue;
        }
        if (length > 0 && line[length - 1] == '\n') line[--length] = '\0';
        if (length > 0 && line[length - 1] == '\r') line[--length] = '\0';
        const char* address = line;
        if (number == 1 && strncmp(address, "\xEF\xBB\xBF", 3) == 0) address += 3;
        if (*address == '\0') continue;
        if (decoded_one) Say(Stream::kOut, "\n");
        decoded_one = true;
        int code = RunDecode(address);
        if (code > exit_code) exit_code = code;
    }
    return exit_code;
}

}  // namespace

int DecodeMode(int argc, char** argv, int first) {
    int address = 0;
    int count = TakeOperands(argc, argv, first, &address);
    if (count > 1)
        return Usage("--decode takes one address, or none to read addresses from standard input");
    if (count == 1) return RunDecode(argv[address]);
    unsigned code_page = 0;
    if (StreamEncoding(stdin, &code_page) == OutputEncoding::kConsole)
        Say(Stream::kErr,
            "regcomplete-check: --decode: paste the addresses, one a line, then press Ctrl+Z "
            "and Enter (on Linux, Ctrl+D)\n");
    return DecodeLines(stdin);
}
