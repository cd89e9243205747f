// regcomplete-check: shows installer authors what a command-line tail will do, without running
// their installer: the options the program reads, the addresses it would open and the command
// lines it would start for them and for the readme.
//
//   regcomplete-check [--codepage N] [--lead-ranges 81-9F,E0-FC] [--htm-command TEMPLATE]
//                     [--module-path PATH] -- TAIL
//   regcomplete-check --version
//
// On the host TAIL is the one argument after "--". On Windows it is everything after " -- " on
// the raw command line, so that quotes arrive exactly as an installer writes them, and the code
// page defaults to the system's ANSI code page. TEMPLATE stands for the open command of the
// browser and PATH for the program's own path; on Windows each defaults to what the program
// itself would read, elsewhere the command lines that need them are not composed. The last line
// names the file type whose command the browser lines use, or "(--htm-command)" when TEMPLATE
// was given.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "codepage/char_class.h"
#include "launch/launch_commands.h"
#include "options/options.h"
#include "request/registration_url.h"
#include "version.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "launch/launch.h"
#include "ui/command_tail.h"
#include "ui/system_dlls.h"
#endif

namespace {

struct CheckArguments {
    unsigned code_page;
    bool has_lead_ranges;
    unsigned char lead_ranges[kLeadBytePairsSize];
    const char* htm_command;  // null when not given
    const char* module_path;  // null when not given
    const char* tail;
};

int Usage(const char* problem) {
    fprintf(stderr,
            "regcomplete-check: %s (usage: regcomplete-check [--codepage N] "
            "[--lead-ranges 81-9F,E0-FC] [--htm-command TEMPLATE] [--module-path PATH] "
            "-- TAIL, or regcomplete-check --version)\n",
            problem);
    return 2;
}

bool ParseByte(const char* text, const char** end, unsigned char* byte) {
    char* stop = nullptr;
    unsigned long value = strtoul(text, &stop, 16);
    if (stop == text || stop - text > 2 || value > 0xFF) return false;
    *byte = static_cast<unsigned char>(value);
    *end = stop;
    return true;
}

// "81-9F,E0-FC" in the layout the platform reports: pairs of first and last byte, zero-ended.
bool ParseLeadRanges(const char* text, unsigned char* pairs) {
    memset(pairs, 0, kLeadBytePairsSize);
    for (size_t i = 0;; i += 2) {
        if (i + 2 >= kLeadBytePairsSize) return false;  // keep room for the zero pair
        const char* p = text;
        if (!ParseByte(p, &p, &pairs[i]) || *p++ != '-' || !ParseByte(p, &p, &pairs[i + 1]))
            return false;
        if (pairs[i] == 0 || pairs[i] > pairs[i + 1]) return false;
        if (*p == '\0') return true;
        if (*p++ != ',') return false;
        text = p;
    }
}

bool ParseCodePage(const char* text, unsigned* code_page) {
    char* stop = nullptr;
    unsigned long value = strtoul(text, &stop, 10);
    if (*text < '0' || *text > '9' || *stop != '\0' || value == 0 || value > 65535) return false;
    *code_page = static_cast<unsigned>(value);
    return true;
}

// Reads the options before "--"; returns the index of "--" in argv, or 0 on bad usage.
int ParseCheckArguments(int argc, char** argv, CheckArguments* arguments, const char** problem) {
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--") == 0) return i;
        bool has_value = i + 1 < argc;
        if (strcmp(argv[i], "--codepage") == 0 && has_value) {
            if (!ParseCodePage(argv[++i], &arguments->code_page)) {
                *problem = "--codepage needs a code page number";
                return 0;
            }
        } else if (strcmp(argv[i], "--lead-ranges") == 0 && has_value) {
            if (!ParseLeadRanges(argv[++i], arguments->lead_ranges)) {
                *problem = "--lead-ranges needs up to five ranges such as 81-9F,E0-FC";
                return 0;
            }
            arguments->has_lead_ranges = true;
        } else if (strcmp(argv[i], "--htm-command") == 0 && has_value) {
            arguments->htm_command = argv[++i];
        } else if (strcmp(argv[i], "--module-path") == 0 && has_value) {
            arguments->module_path = argv[++i];
        } else {
            *problem = "unknown or incomplete option";
            return 0;
        }
    }
    *problem = "missing -- before the command-line tail";
    return 0;
}

#ifdef _WIN32
// Everything after the first " -- " that follows the tool's own name, byte for byte.
const char* RawTailAfterSeparator(const CharClass& classes) {
    const char* line = SkipProgramName(GetCommandLineA(), classes);
    if (strncmp(line, "--", 2) == 0 && (line[2] == ' ' || line[2] == '\0'))
        return line[2] == '\0' ? line + 2 : line + 3;
    const char* separator = strstr(line, " -- ");
    if (separator != nullptr) return separator + 4;
    size_t length = strlen(line);
    return length >= 3 && strcmp(line + length - 3, " --") == 0 ? line + length : nullptr;
}
#endif

void PrintField(const char* name, const char* value) {
    fputs(name, stdout);
    fputs(": ", stdout);
    fputs(value != nullptr ? value : "(null)", stdout);
    fputc('\n', stdout);
}

// A given value stands for what the platform would report: a template too long for the registry
// read, or a path GetModuleFileNameA would cut, is one the program could not have.
const char* AsPlatformWouldGive(const char* value, size_t size) {
    return value != nullptr && strlen(value) < size ? value : nullptr;
}

void PrintCommand(const char* name, bool composed, const char* command) {
    PrintField(name, composed ? command : "(none)");
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    LoadSystemDllsFromSystem32Only();
#endif
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        puts("regcomplete-check " REGCOMPLETE_VERSION);
        return 0;
    }
    CheckArguments arguments = {};
    arguments.code_page = 932;
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
    arguments.code_page = GetACP();
#endif
    const char* problem = "";
    int separator = ParseCheckArguments(argc, argv, &arguments, &problem);
    if (separator == 0) return Usage(problem);

    CharClass classes;
    const unsigned char* reported = arguments.has_lead_ranges ? arguments.lead_ranges : nullptr;
#ifdef _WIN32
    CPINFO info;
    if (!arguments.has_lead_ranges && GetCPInfo(arguments.code_page, &info) &&
        info.MaxCharSize >= 2)
        reported = info.LeadByte;
#endif
    SetUpCharClass(&classes, arguments.code_page, reported);

#ifdef _WIN32
    arguments.tail = RawTailAfterSeparator(classes);
    if (arguments.tail == nullptr) return Usage("missing -- before the command-line tail");
#else
    if (separator + 2 != argc) return Usage("give the command-line tail as one argument after --");
    arguments.tail = argv[separator + 1];
#endif

    static RegistrationOptions options;
    unsigned mask = ParseOptions(arguments.tail, classes, &options);
    char number[16];
    printf("mask: 0x%02X\n", mask);
    PrintField("productid", options.productid);
    PrintField("username", options.username);
    PrintField("organization", options.organization);
    PrintField("serialno", options.serialno);
    PrintField("readme", options.readme);
    PrintField("owner_class", options.owner_class);
    PrintField("owner_title", options.owner_title);
    snprintf(number, sizeof number, "%ld", static_cast<long>(options.owner_window));
    PrintField("owner_window", number);

    char url_ssl[kAddressSize];
    char url_plain[kAddressSize];
    PrintField("url_ssl",
               BuildRegistrationUrl(REGIST_URL_SSL, options, classes, url_ssl, sizeof url_ssl));
    PrintField("url_plain", BuildRegistrationUrl(REGIST_URL_PLAIN, options, classes, url_plain,
                                                 sizeof url_plain));

    const char* htm_command = AsPlatformWouldGive(arguments.htm_command, kRegistryValueSize);
    const char* browser_type = "(--htm-command)";
    const char* module_path = AsPlatformWouldGive(arguments.module_path, kModulePathSize);
#ifdef _WIN32
    char registry_type[kRegistryValueSize];
    char registry_template[kRegistryValueSize];
    if (arguments.htm_command == nullptr &&
        ReadBrowserCommandTemplate(registry_type, registry_template)) {
        htm_command = registry_template;
        browser_type = registry_type;
    }
    char own_path[kModulePathSize];
    if (arguments.module_path == nullptr && ReadModulePath(own_path, sizeof own_path))
        module_path = own_path;
#endif
    char command[kBrowserCommandSize];
    bool ssl_composed = ComposeBrowserCommand(htm_command, url_ssl, command, sizeof command);
    PrintCommand("browser_ssl", ssl_composed, command);
    bool plain_composed = ComposeBrowserCommand(htm_command, url_plain, command, sizeof command);
    PrintCommand("browser_plain", plain_composed, command);
    char readme_command[kReadmeCommandSize];
    PrintCommand("readme_command",
                 ComposeReadmeCommand(options.readme, module_path, classes, readme_command,
                                      sizeof readme_command),
                 readme_command);
    PrintCommand("browser_type", ssl_composed || plain_composed, browser_type);
    return 0;
}
