// regcomplete-check --stamp --host HOST [--company NAME] [--copyright TEXT] PROGRAM OUT: its
// arguments, for RunStamp (stamp_command.h).
#include <string.h>

#include "check_modes.h"
#include "stamp/program_stamp.h"
#include "stamp_command.h"

namespace {

// A name given as argument `index` of `option`: refused when it is too long for its slot (one
// unit more than the slot is read, so that a name too long is refused, never cut) or no text.
void TakeName(char** argv, int index, const char* option, char16_t* name,
              StampArguments* arguments) {
    ArgumentText taken = WideArgument(argv, index, name, kNameSlotUnits + 2);
    size_t length = 0;
    while (name[length] != 0) ++length;
    if (taken == ArgumentText::kRead && length > kNameSlotUnits) taken = ArgumentText::kTooLong;
    if (taken != ArgumentText::kRead && arguments->bad_name == nullptr) {
        arguments->bad_name = option;
        arguments->name_problem = taken;
    }
}

// --stamp's arguments; false on bad usage.
bool ParseStampArguments(int argc, char** argv, int first, StampArguments* arguments,
                         const char** problem) {
    static char host[kWidePathSize];
    static char16_t host_text[kWidePathSize];
    static char16_t company[kNameSlotUnits + 2];
    static char16_t copyright[kNameSlotUnits + 2];
    static char16_t names[2][kWidePathSize];
    int files[2] = {};
    int file_count = 0;
    for (int i = first; i < argc; ++i) {
        if (TakeCommonOption(argv[i])) continue;
        bool has_value = i + 1 < argc;
        if (strcmp(argv[i], "--host") == 0 && has_value) {
            TakeHost(argv, ++i, host, host_text);
            arguments->host = host;
            arguments->host_text = host_text;
        } else if (strcmp(argv[i], "--company") == 0 && has_value) {
            TakeName(argv, ++i, "--company", company, arguments);
            arguments->company = company;
        } else if (strcmp(argv[i], "--copyright") == 0 && has_value) {
            TakeName(argv, ++i, "--copyright", copyright, arguments);
            arguments->copyright = copyright;
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            *problem = UnknownOption(argv[i], has_value);
            return false;
        } else if (file_count < 2) {
            files[file_count++] = i;
        } else {
            *problem = "--stamp takes the program and the stamped copy, nothing more";
            return false;
        }
    }
    if (arguments->host == nullptr) {
        *problem = "--stamp needs --host HOST";
        return false;
    }
    if (file_count != 2) {
        *problem = file_count == 0 ? "--stamp needs the program and the stamped copy"
                                   : "--stamp needs the stamped copy after the program";
        return false;
    }
    arguments->input = FileArgument(argv, files[0], names[0], kWidePathSize);
    arguments->output = FileArgument(argv, files[1], names[1], kWidePathSize);
    return true;
}

}  // namespace

int StampMode(int argc, char** argv, int first) {
    StampArguments stamp = {};
    const char* problem = "";
    if (!ParseStampArguments(argc, argv, first, &stamp, &problem)) return Usage(problem);
    return RunStamp(stamp);
}
