// regcomplete-check: shows installer authors what a command-line tail will do, without running
// their installer: the options the program reads, the addresses it would open and the command
// lines it would start for them and for the readme.
//
//   regcomplete-check [--utf8] [--codepage N] [--lead-ranges 81-9F,E0-FC]
//                     [--htm-command TEMPLATE] [--module-path PATH] (-- TAIL | --tail-file FILE)
//   regcomplete-check --version
//
// On the host TAIL is the one argument after "--". On Windows it is everything after " -- " on
// the raw command line, so that quotes arrive exactly as an installer writes them, and the code
// page defaults to the system's ANSI code page. FILE holds the tail's bytes instead; one line end
// at its end is not part of the tail. Without --utf8 the tail's bytes are the code page's, read
// as they are; with it the tail is UTF-8 (on Windows, the Unicode command line), converted to the
// code page, and every value and command line is printed as UTF-8. TEMPLATE stands for the open
// command of the browser and PATH for the program's own path; on Windows each defaults to what the
// program itself would read, elsewhere the command lines that need them are not composed. The last
// line names the file type whose command the browser lines use, or "(--htm-command)" when TEMPLATE
// was given.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "codepage/char_class.h"
#include "launch/launch_commands.h"
#include "options/options.h"
#include "code_page_text.h"
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

// A Windows command line holds at most 32,767 characters; a longer tail cannot reach the program.
constexpr size_t kTailSize = 32768;

struct CheckArguments {
    bool utf8;
    unsigned code_page;
    bool has_lead_ranges;
    unsigned char lead_ranges[kLeadBytePairsSize];
    const char* htm_command;  // null when not given
    const char* module_path;  // null when not given
    const char* tail_file;    // null when not given
    int separator;            // index of "--" in argv, 0 when not given
};

// How values reach stdout: as their bytes, or under --utf8 from the code page to UTF-8.
struct FieldOutput {
    bool utf8;
    unsigned code_page;
};

int Usage(const char* problem) {
    fprintf(stderr,
            "regcomplete-check: %s (usage: regcomplete-check [--utf8] [--codepage N] "
            "[--lead-ranges 81-9F,E0-FC] [--htm-command TEMPLATE] [--module-path PATH] "
            "(-- TAIL | --tail-file FILE), or regcomplete-check --version)\n",
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

// Reads the options before "--", or all of them when the tail comes from a file; false on bad
// usage.
bool ParseCheckArguments(int argc, char** argv, CheckArguments* arguments, const char** problem) {
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--") == 0) {
            arguments->separator = i;
            break;
        }
        bool has_value = i + 1 < argc;
        if (strcmp(argv[i], "--utf8") == 0) {
            arguments->utf8 = true;
        } else if (strcmp(argv[i], "--tail-file") == 0 && has_value) {
            arguments->tail_file = argv[++i];
        } else if (strcmp(argv[i], "--codepage") == 0 && has_value) {
            if (!ParseCodePage(argv[++i], &arguments->code_page)) {
                *problem = "--codepage needs a code page number";
                return false;
            }
        } else if (strcmp(argv[i], "--lead-ranges") == 0 && has_value) {
            if (!ParseLeadRanges(argv[++i], arguments->lead_ranges)) {
                *problem = "--lead-ranges needs up to five ranges such as 81-9F,E0-FC";
                return false;
            }
            arguments->has_lead_ranges = true;
        } else if (strcmp(argv[i], "--htm-command") == 0 && has_value) {
            arguments->htm_command = argv[++i];
        } else if (strcmp(argv[i], "--module-path") == 0 && has_value) {
            arguments->module_path = argv[++i];
        } else {
            *problem = "unknown or incomplete option";
            return false;
        }
    }
    if (arguments->tail_file != nullptr && arguments->separator != 0) {
        *problem = "give the tail either after -- or with --tail-file, not both";
        return false;
    }
    if (arguments->tail_file == nullptr && arguments->separator == 0) {
        *problem = "missing -- before the command-line tail";
        return false;
    }
    return true;
}

// The file's bytes up to its first zero byte, which no command line can hold, without one line
// end at the end (an editor adds one) and, for UTF-8, without a byte-order mark.
bool ReadTailFile(const char* path, bool utf8, char* tail, size_t size) {
    FILE* file = fopen(path, "rb");
    if (file == nullptr) return false;
    size_t length = fread(tail, 1, size, file);
    bool whole = length < size && ferror(file) == 0;
    fclose(file);
    if (!whole) return false;
    tail[length] = '\0';
    length = strlen(tail);
    if (length > 0 && tail[length - 1] == '\n') tail[--length] = '\0';
    if (length > 0 && tail[length - 1] == '\r') tail[--length] = '\0';
    static const char kByteOrderMark[] = "\xEF\xBB\xBF";
    if (utf8 && strncmp(tail, kByteOrderMark, 3) == 0) memmove(tail, tail + 3, length - 2);
    return true;
}

const char* ConversionProblem(TextConversion result, const char* what) {
    static char problem[160];
    const char* reason = result == TextConversion::kNotUtf8 ? "is not UTF-8"
                         : result == TextConversion::kNotInCodePage
                             ? "holds a character that the code page cannot hold"
                         : result == TextConversion::kTooLong
                             ? "is longer than a command line can be"
                             : "cannot be converted: this system does not know the code page";
    snprintf(problem, sizeof problem, "--utf8: %s %s", what, reason);
    return problem;
}

#ifndef _WIN32
// Under --utf8 the template and the path are typed in UTF-8 too. On Windows the C runtime has
// already given them in the system's code page.
bool ConvertGivenValues(CheckArguments* arguments, const char** problem) {
    static char htm_command[kTailSize];
    static char module_path[kTailSize];
    const struct {
        const char** value;
        char* converted;
        const char* option;
    } kGiven[] = {{&arguments->htm_command, htm_command, "--htm-command"},
                  {&arguments->module_path, module_path, "--module-path"}};
    for (const auto& given : kGiven) {
        if (*given.value == nullptr) continue;
        TextConversion result = Utf8ToCodePage(*given.value, strlen(*given.value),
                                               arguments->code_page, given.converted, kTailSize);
        if (result != TextConversion::kConverted) {
            *problem = ConversionProblem(result, given.option);
            return false;
        }
        *given.value = given.converted;
    }
    return true;
}
#endif

#ifdef _WIN32
// Everything after the first " -- " of the line after the tool's own name, unit for unit, or null.
template <typename Char>
const Char* TailAfterSeparator(const Char* line) {
    if (line[0] == '-' && line[1] == '-' && (line[2] == ' ' || line[2] == '\0'))
        return line[2] == '\0' ? line + 2 : line + 3;
    for (const Char* p = line; *p != '\0'; ++p) {
        if (p[0] == ' ' && p[1] == '-' && p[2] == '-' && (p[3] == ' ' || p[3] == '\0'))
            return p[3] == '\0' ? p + 3 : p + 4;
    }
    return nullptr;
}

// SkipProgramName's rules on the Unicode command line, where no unit is half a character.
const wchar_t* SkipWideProgramName(const wchar_t* line) {
    if (*line == L'"') {
        ++line;
        while (*line != L'\0' && *line != L'"') ++line;
        if (*line == L'"') ++line;
    } else {
        while (*line > L' ') ++line;
    }
    while (*line >= 1 && *line <= L' ') ++line;
    return line;
}
#endif

// The tail in the code page, from the command line or the file; null with `*problem` set when
// there is none to read.
const char* TakeTail([[maybe_unused]] char** argv, const CheckArguments& arguments,
                     [[maybe_unused]] const CharClass& classes, const char** problem) {
    static char given[kTailSize];
    static char converted[kTailSize];
    const char* tail = nullptr;
    if (arguments.tail_file != nullptr) {
        if (!ReadTailFile(arguments.tail_file, arguments.utf8, given, sizeof given)) {
            *problem = "cannot read the --tail-file, or it is longer than a command line can be";
            return nullptr;
        }
        tail = given;
    } else {
#ifdef _WIN32
        if (arguments.utf8) {
            // The text as typed, not as the system's code page could hold it.
            const wchar_t* wide = TailAfterSeparator(SkipWideProgramName(GetCommandLineW()));
            if (wide == nullptr) {
                *problem = "missing -- before the command-line tail";
                return nullptr;
            }
            TextConversion result =
                WideToCodePage(wide, arguments.code_page, converted, sizeof converted);
            if (result != TextConversion::kConverted) {
                *problem = ConversionProblem(result, "the tail");
                return nullptr;
            }
            return converted;
        }
        tail = TailAfterSeparator(SkipProgramName(GetCommandLineA(), classes));
#else
        tail = argv[arguments.separator + 1];
#endif
        if (tail == nullptr) {
            *problem = "missing -- before the command-line tail";
            return nullptr;
        }
    }
    if (!arguments.utf8) return tail;
    TextConversion result =
        Utf8ToCodePage(tail, strlen(tail), arguments.code_page, converted, sizeof converted);
    if (result != TextConversion::kConverted) {
        *problem = ConversionProblem(result, "the tail");
        return nullptr;
    }
    return converted;
}

// Byte for byte the tail is read as the code page's, whatever it was typed in; a UTF-8 terminal
// or file gives Japanese that reads as other characters, or as none.
void WarnOfUtf8(const char* tail, unsigned code_page) {
    size_t length = strlen(tail);
    const char* what = !IsCodePageText(tail, length, code_page) ? "is not valid text"
                       : code_page != kUtf8CodePage && LooksLikeUtf8(tail, length)
                           ? "looks like UTF-8, not text"
                           : nullptr;
    if (what == nullptr) return;
    fprintf(stderr,
            "regcomplete-check: warning: the tail %s of code page %u; it is read byte for byte "
            "as that code page. If it is UTF-8, give --utf8.\n",
            what, code_page);
}

void PrintField(const FieldOutput& output, const char* name, const char* value) {
    fputs(name, stdout);
    fputs(": ", stdout);
    if (value == nullptr) {
        fputs("(null)", stdout);
    } else if (output.utf8) {
        // A character takes at most three bytes of UTF-8 for each of its bytes in a code page.
        static char utf8[3 * kTailSize];
        CodePageToUtf8(value, output.code_page, utf8, sizeof utf8);
        fputs(utf8, stdout);
    } else {
        fputs(value, stdout);
    }
    fputc('\n', stdout);
}

// A given value stands for what the platform would report: a template too long for the registry
// read, or a path GetModuleFileNameA would cut, is one the program could not have.
const char* AsPlatformWouldGive(const char* value, size_t size) {
    return value != nullptr && strlen(value) < size ? value : nullptr;
}

void PrintCommand(const FieldOutput& output, const char* name, bool composed, const char* command) {
    PrintField(output, name, composed ? command : "(none)");
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    LoadSystemDllsFromSystem32Only();
#endif
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        puts("regcomplete-check " REGCOMPLETE_VERSION " (host " REGCOMPLETE_HOST ")");
        return 0;
    }
    CheckArguments arguments = {};
    arguments.code_page = 932;
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
    arguments.code_page = GetACP();
#endif
    const char* problem = "";
    if (!ParseCheckArguments(argc, argv, &arguments, &problem)) return Usage(problem);
#ifndef _WIN32
    if (arguments.separator != 0 && arguments.separator + 2 != argc)
        return Usage("give the command-line tail as one argument after --");
    if (arguments.utf8 && !ConvertGivenValues(&arguments, &problem)) return Usage(problem);
#endif

    CharClass classes;
    const unsigned char* reported = arguments.has_lead_ranges ? arguments.lead_ranges : nullptr;
#ifdef _WIN32
    CPINFO info;
    if (!arguments.has_lead_ranges && GetCPInfo(arguments.code_page, &info) &&
        info.MaxCharSize >= 2)
        reported = info.LeadByte;
#endif
    SetUpCharClass(&classes, arguments.code_page, reported);

    const char* tail = TakeTail(argv, arguments, classes, &problem);
    if (tail == nullptr) return Usage(problem);
    if (!arguments.utf8) WarnOfUtf8(tail, arguments.code_page);
    const FieldOutput output = {arguments.utf8, arguments.code_page};

    static RegistrationOptions options;
    unsigned mask = ParseOptions(tail, classes, &options);
    char number[16];
    printf("mask: 0x%02X\n", mask);
    PrintField(output, "productid", options.productid);
    PrintField(output, "username", options.username);
    PrintField(output, "organization", options.organization);
    PrintField(output, "serialno", options.serialno);
    PrintField(output, "readme", options.readme);
    PrintField(output, "owner_class", options.owner_class);
    PrintField(output, "owner_title", options.owner_title);
    snprintf(number, sizeof number, "%ld", static_cast<long>(options.owner_window));
    PrintField(output, "owner_window", number);

    char url_ssl[kAddressSize];
    char url_plain[kAddressSize];
    PrintField(output, "url_ssl",
               BuildRegistrationUrl(REGIST_URL_SSL, options, classes, url_ssl, sizeof url_ssl));
    PrintField(
        output, "url_plain",
        BuildRegistrationUrl(REGIST_URL_PLAIN, options, classes, url_plain, sizeof url_plain));

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
    PrintCommand(output, "browser_ssl", ssl_composed, command);
    bool plain_composed = ComposeBrowserCommand(htm_command, url_plain, command, sizeof command);
    PrintCommand(output, "browser_plain", plain_composed, command);
    char readme_command[kReadmeCommandSize];
    PrintCommand(output, "readme_command",
                 ComposeReadmeCommand(options.readme, module_path, classes, readme_command,
                                      sizeof readme_command),
                 readme_command);
    PrintCommand(output, "browser_type", ssl_composed || plain_composed, browser_type);
    return 0;
}
