// The arguments every mode of regcomplete-check reads the same way (check_modes.h).
#include <stdio.h>
#include <string.h>

#include "check_modes.h"
#include "check_output.h"
#include "code_page_text.h"

namespace {

struct CommonOption {
    const char* name;
    void (*apply)();
};

constexpr CommonOption kCommonOptions[] = {
    {"--print-utf8", [] { SetPrintUtf8(true); }},
};

}  // namespace

bool TakeCommonOption(const char* argument) {
    for (const CommonOption& option : kCommonOptions) {
        if (strcmp(argument, option.name) == 0) {
            option.apply();
            return true;
        }
    }
    return false;
}

int TakeOperands(int argc, char** argv, int first, int* operand) {
    int count = 0;
    *operand = 0;
    for (int i = first; i < argc; ++i) {
        if (TakeCommonOption(argv[i])) continue;
        if (count++ == 0) *operand = i;
    }
    return count;
}

int Usage(const char* problem) {
    Say(Stream::kErr, "regcomplete-check: %s; see regcomplete-check --help\n", problem);
    return 2;
}

const char* UnknownOption(const char* option, bool has_value) {
    static const char* const kTakingValues[] = {
        "--tail-file",  "--codepage",    "--lead-ranges", "--htm-command", "--module-path",
        "--system-dir", "--web-default", "--host",        "--program",     "--elevated",
        "--session",    "--station",     "--company",     "--copyright"};
    bool takes_value = false;
    for (const char* name : kTakingValues) takes_value = takes_value || strcmp(option, name) == 0;
    static char problem[160];
    snprintf(problem, sizeof problem,
             takes_value && !has_value ? "%.60s needs a value" : "unknown option %.60s", option);
    return problem;
}

NamedFile FileArgument(char** argv, int index, char16_t* name, size_t name_size) {
    if (WideArgument(argv, index, name, name_size) != ArgumentText::kRead)
        DecodeUtf8(argv[index], name, name_size);
    return NamedFile{argv[index], name};
}

void TakeHost(char** argv, int index, char* host, char16_t* text) {
    // Bytes that are no text cannot be a host name either: the rule finds them beyond ASCII.
    if (WideArgument(argv, index, text, kWidePathSize) != ArgumentText::kRead) {
        snprintf(host, kWidePathSize, "\x80");
        return;
    }
    size_t used = 0;
    for (const char16_t* p = text; *p != 0; ++p)
        host[used++] = *p < 0x80 ? static_cast<char>(*p) : '\x80';
    host[used] = '\0';
}
