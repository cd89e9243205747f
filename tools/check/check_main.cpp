// regcomplete-check: shows installer authors what a command-line tail will do, without running
// their installer: the options the program reads, the addresses it would open and what each
// button would start, composed by the program's own functions (launch_plan.h).
//
//   regcomplete-check [--utf8] [--codepage N] [--lead-ranges 81-9F,E0-FC]
//                     [--htm-command TEMPLATE] [--module-path PATH] [--system-dir PATH]
//                     [--web-default yes|no] [--elevated full|default|no] [--session N]
//                     [--station visible|hidden] [--host HOST | --program PROGRAM]
//                     (-- TAIL | --tail-file FILE)
//   regcomplete-check --stamp --host HOST [--company NAME] [--copyright TEXT] PROGRAM OUT
//   regcomplete-check --show PROGRAM
//   regcomplete-check --decode ADDRESS
//   regcomplete-check --version
//   regcomplete-check --help
//
// --stamp writes a copy of a released regcomplete.exe that registers at HOST, with the names in
// its version information (stamp_command.h); --show prints what a program carries; --decode
// prints the details a registration address carries, as typed (decode_command.h). The addresses
// are those of the tool's own registration host unless --host names another, or --program names
// a regcomplete.exe whose host they take; a tool of the release for every vendor has none, and
// then no address. Everything is printed through check_output.h.
//
// On the host TAIL is the one argument after "--". On Windows it is everything after " -- " on
// the raw command line, so that quotes arrive exactly as an installer writes them, and the code
// page defaults to the system's ANSI code page; there, with no --codepage or --lead-ranges, the
// tool also reads the UTF-16 command line as the program does. FILE holds the tail's bytes
// instead; one line end at its end is not part of the tail. Without --utf8 the tail's bytes are
// the code page's, read as they are; with it the tail is UTF-8 (on Windows, the Unicode command
// line), converted to the code page, and the details too are printed as UTF-8. TEMPLATE stands
// for the browser's ".htm" open command, PATH for the program's own path and for System32, and
// --web-default for whether the user has a default browser for web addresses; on Windows each
// defaults to what the program itself would read. On the host there is no template, module path
// or default unless given, System32 is C:\Windows\system32, and TEMPLATE and PATH are UTF-8. The
// readme, the owner's class and title, commands and file types are printed as UTF-8. The last two
// lines name the ways each button tries, in order, before its message: "desktop shell" (handed to
// the desktop's shell, as an elevated program does), "shell", and for the registration buttons
// the file type whose command is started (or "(--htm-command)"), for README "notepad"; then the
// token's elevation (no, full or default) and whether the desktop's shell runs as this user, on
// which an elevated program's own starts depend. --elevated stands for the token's elevation: on
// the host it is "no" unless given, and the shell never runs as this user. The very last line
// says whether the program shows its dialog at all; --session and --station stand for its
// session and window station, on the host session 1 and a visible station unless given.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "check_output.h"
#include "check_platform.h"
#include "code_page_text.h"
#include "codepage/char_class.h"
#include "decode_command.h"
#include "launch/launch_plan.h"
#include "options/option_table.h"
#include "options/options.h"
#include "options/wide_options.h"
#include "request/registration_host.h"
#include "request/registration_url.h"
#include "stamp/program_stamp.h"
#include "stamp_command.h"
#include "version.h"

namespace {

// A Windows command line holds at most 32,767 characters; a longer tail cannot reach the program.
constexpr size_t kTailSize = 32768;

enum Answer { kAsThePlatformSays, kYes, kNo };

enum class Elevation { kAsThePlatformSays, kNo, kFull, kDefault };

struct CheckArguments {
    bool utf8;
    unsigned code_page;
    bool has_lead_ranges;
    unsigned char lead_ranges[kLeadBytePairsSize];
    int htm_command;  // argv's index of each, 0 when not given
    int module_path;
    int system_dir;
    Answer web_default;
    Elevation elevated;
    bool has_session;
    unsigned long session;  // --session's, when has_session
    Answer station_visible;
    int tail_file;     // argv's index of --tail-file's value, 0 when not given
    int separator;     // index of "--" in argv, 0 when not given
    const char* host;  // the registration host of the addresses
    int host_index;    // argv's index of --host's value, 0 when not given
    int program;       // argv's index of --program's value, 0 when not given
};

// How values reach stdout: as their bytes, or under --utf8 from the code page to UTF-8.
struct FieldOutput {
    bool utf8;
    unsigned code_page;
};

constexpr char kUsage[] =
    "usage: regcomplete-check [--utf8] [--codepage N] [--lead-ranges 81-9F,E0-FC]\n"
    "                         [--htm-command TEMPLATE] [--module-path PATH] [--system-dir PATH]\n"
    "                         [--web-default yes|no] [--elevated full|default|no]\n"
    "                         [--session N] [--station visible|hidden]\n"
    "                         [--host HOST | --program PROGRAM] (-- TAIL | --tail-file FILE)\n"
    "       regcomplete-check --stamp --host HOST [--company NAME] [--copyright TEXT] PROGRAM OUT\n"
    "       regcomplete-check --show [--print-utf8] PROGRAM\n"
    "       regcomplete-check --decode [--print-utf8] ADDRESS\n"
    "       regcomplete-check --version\n"
    "       regcomplete-check --help\n"
    "The first form shows what the command-line tail TAIL does in regcomplete.exe; --stamp writes\n"
    "a copy of the release's PROGRAM that registers at HOST to OUT; --show prints what a program\n"
    "carries; --decode prints the details a registration address carries, as typed.\n"
    "--print-utf8, in any mode, writes UTF-8 to a file or pipe instead of the console's code "
    "page.\n"
    "docs/check-tool.md has every option.\n";

// One line on stderr: what is wrong, and where the usage is.
int Usage(const char* problem) {
    Say(Stream::kErr, "regcomplete-check: %s; see regcomplete-check --help\n", problem);
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

// "81-9F,E0-FC" in the layout the platform reports: up to six pairs of first and last byte,
// zero-ended when there are fewer.
bool ParseLeadRanges(const char* text, unsigned char* pairs) {
    memset(pairs, 0, kLeadBytePairsSize);
    for (size_t i = 0;; i += 2) {
        if (i + 2 > kLeadBytePairsSize) return false;
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

// What is wrong with the option `option`: unknown, or given without its value.
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
        } else if (strcmp(argv[i], "--print-utf8") == 0) {
            SetPrintUtf8(true);
        } else if (strcmp(argv[i], "--tail-file") == 0 && has_value) {
            arguments->tail_file = ++i;
        } else if (strcmp(argv[i], "--codepage") == 0 && has_value) {
            if (!ParseCodePage(argv[++i], &arguments->code_page)) {
                *problem = "--codepage needs a code page number";
                return false;
            }
        } else if (strcmp(argv[i], "--lead-ranges") == 0 && has_value) {
            if (!ParseLeadRanges(argv[++i], arguments->lead_ranges)) {
                *problem = "--lead-ranges needs up to six ranges such as 81-9F,E0-FC";
                return false;
            }
            arguments->has_lead_ranges = true;
        } else if (strcmp(argv[i], "--htm-command") == 0 && has_value) {
            arguments->htm_command = ++i;
        } else if (strcmp(argv[i], "--module-path") == 0 && has_value) {
            arguments->module_path = ++i;
        } else if (strcmp(argv[i], "--system-dir") == 0 && has_value) {
            arguments->system_dir = ++i;
        } else if (strcmp(argv[i], "--web-default") == 0 && has_value) {
            const char* answer = argv[++i];
            if (strcmp(answer, "yes") != 0 && strcmp(answer, "no") != 0) {
                *problem = "--web-default needs yes or no";
                return false;
            }
            arguments->web_default = answer[0] == 'y' ? kYes : kNo;
        } else if (strcmp(argv[i], "--session") == 0 && has_value) {
            const char* number = argv[++i];
            char* stop = nullptr;
            unsigned long long value = strtoull(number, &stop, 10);
            if (*number < '0' || *number > '9' || *stop != '\0' || value > 0xFFFFFFFFull) {
                *problem = "--session needs a session number";
                return false;
            }
            arguments->has_session = true;
            arguments->session = static_cast<unsigned long>(value);
        } else if (strcmp(argv[i], "--station") == 0 && has_value) {
            const char* answer = argv[++i];
            if (strcmp(answer, "visible") != 0 && strcmp(answer, "hidden") != 0) {
                *problem = "--station needs visible or hidden";
                return false;
            }
            arguments->station_visible = answer[0] == 'v' ? kYes : kNo;
        } else if (strcmp(argv[i], "--host") == 0 && has_value) {
            arguments->host_index = ++i;
        } else if (strcmp(argv[i], "--program") == 0 && has_value) {
            arguments->program = ++i;
        } else if (strcmp(argv[i], "--elevated") == 0 && has_value) {
            const char* answer = argv[++i];
            arguments->elevated = strcmp(answer, "full") == 0      ? Elevation::kFull
                                  : strcmp(answer, "default") == 0 ? Elevation::kDefault
                                  : strcmp(answer, "no") == 0      ? Elevation::kNo
                                                                   : Elevation::kAsThePlatformSays;
            if (arguments->elevated == Elevation::kAsThePlatformSays) {
                *problem = "--elevated needs full, default or no";
                return false;
            }
        } else {
            *problem = UnknownOption(argv[i], has_value);
            return false;
        }
    }
    if (arguments->host_index != 0 && arguments->program != 0) {
        *problem = "give --host or --program, not both";
        return false;
    }
    if (arguments->tail_file != 0 && arguments->separator != 0) {
        *problem = "give the tail either after -- or with --tail-file, not both";
        return false;
    }
    if (arguments->tail_file == 0 && arguments->separator == 0) {
        *problem = kNoSeparator;
        return false;
    }
    return true;
}

// Argument `index` as a file the platform opens (check_platform.h).
NamedFile FileArgument(char** argv, int index, char16_t* name, size_t name_size) {
    if (WideArgument(argv, index, name, name_size) != ArgumentText::kRead)
        DecodeUtf8(argv[index], name, name_size);
    return NamedFile{argv[index], name};
}

// The file's bytes up to its first zero byte, which no command line can hold, without one line
// end at the end (an editor adds one) and, for UTF-8, without a byte-order mark.
bool ReadTailFile(const NamedFile& path, bool utf8, char* tail, size_t size) {
    FILE* file = OpenToRead(path);
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

// The tail in the code page, from the command line or the file; null with `*problem` set when
// there is none to read.
const char* TakeTail(int argc, char** argv, const CheckArguments& arguments,
                     const CharClass& classes, const char** problem) {
    static char given[kTailSize];
    static char converted[kTailSize];
    if (arguments.tail_file == 0) {
        const TailSource source = {argc, argv, arguments.separator, arguments.utf8,
                                   arguments.code_page};
        return TailAfterDoubleDash(source, classes, converted, sizeof converted, problem);
    }
    static char16_t name[kWidePathSize];
    NamedFile file = FileArgument(argv, arguments.tail_file, name, kWidePathSize);
    if (!ReadTailFile(file, arguments.utf8, given, sizeof given)) {
        *problem = "cannot read the --tail-file, or it is longer than a command line can be";
        return nullptr;
    }
    if (!arguments.utf8) return given;
    TextConversion result =
        Utf8ToCodePage(given, strlen(given), arguments.code_page, converted, sizeof converted);
    if (result == TextConversion::kConverted) return converted;
    *problem = ConversionProblem(result, "the tail");
    return nullptr;
}

// The byte classes the tail is read with: the given ranges, or the system's.
CharClass ClassesOf(const CheckArguments& arguments) {
    CharClass classes;
    if (arguments.has_lead_ranges)
        SetUpCharClass(&classes, arguments.code_page, arguments.lead_ranges);
    else
        SetUpSystemClasses(arguments.code_page, &classes);
    return classes;
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
    Say(Stream::kErr,
        "regcomplete-check: warning: the tail %s of code page %u; it is read byte for byte as "
        "that code page. If it is UTF-8, give --utf8.\n",
        what, code_page);
}

void PrintField(const FieldOutput& output, const char* name, const char* value) {
    Say(Stream::kOut, "%s: ", name);
    if (value == nullptr)
        Say(Stream::kOut, "(null)");
    else
        PutCodePageText(Stream::kOut, value, output.code_page, !output.utf8);
    Say(Stream::kOut, "\n");
}

void PrintWideField(const char* name, const char16_t* value) {
    Say(Stream::kOut, "%s: ", name);
    if (value != nullptr)
        PutWide(Stream::kOut, value);
    else
        Say(Stream::kOut, "(null)");
    Say(Stream::kOut, "\n");
}

// The step of `plan` of the kind `way`, or null.
const LaunchStep* StepOf(const LaunchPlan& plan, LaunchWay way) {
    for (int i = 0; i < plan.count; ++i) {
        if (plan.steps[i].way == way) return &plan.steps[i];
    }
    return nullptr;
}

void PrintCommand(const char* name, const LaunchPlan& plan) {
    const LaunchStep* step = StepOf(plan, LaunchWay::kProcess);
    PrintWideField(name, step != nullptr ? step->command_line : u"(none)");
}

// The ways a press tries before its message, in order: "desktop shell", "shell", and the program
// `process` whose command line is started.
void PrintWays(const char* name, const LaunchPlan& plan, const char16_t* process) {
    Say(Stream::kOut, "%s: ", name);
    if (plan.steps[0].way == LaunchWay::kMessage) Say(Stream::kOut, "(none)");
    for (int i = 0; i < plan.count && plan.steps[i].way != LaunchWay::kMessage; ++i) {
        if (i > 0) Say(Stream::kOut, ", then ");
        switch (plan.steps[i].way) {
            case LaunchWay::kDesktopShell: Say(Stream::kOut, "desktop shell"); break;
            case LaunchWay::kShell: Say(Stream::kOut, "shell"); break;
            case LaunchWay::kProcess: PutWide(Stream::kOut, process); break;
            case LaunchWay::kMessage: break;
        }
    }
    Say(Stream::kOut, "\n");
}

// The token as --elevated names it.
const char* ElevationName(const SessionFacts& session) {
    if (!session.elevated) return "no";
    switch (session.elevation_type) {
        case ElevationType::kDefault: return "default";
        case ElevationType::kFull: return "full";
        case ElevationType::kLimited: break;
    }
    return "limited";
}

// Whether the dialog is shown, and if not, why.
const char* DialogName(const SessionFacts& session) {
    switch (WhyNoDialog(session)) {
        case NoDialog::kNone: break;
        case NoDialog::kHiddenStation: return "not shown (hidden window station)";
        case NoDialog::kServiceSession: return "not shown (session 0)";
    }
    return "shown";
}

// What the platform says of the station, the session, the token and the desktop's shell, unless
// --station, --session or --elevated stands for it.
SessionFacts SessionOf(const CheckArguments& arguments) {
    SessionFacts session = ReadSystemSession();
    if (arguments.station_visible != kAsThePlatformSays)
        session.station_visible = arguments.station_visible == kYes;
    if (arguments.has_session) session.session_id = arguments.session;
    Elevation elevated = arguments.elevated;
    if (elevated != Elevation::kAsThePlatformSays) session.elevated = elevated != Elevation::kNo;
    if (elevated == Elevation::kFull) session.elevation_type = ElevationType::kFull;
    if (elevated == Elevation::kDefault) session.elevation_type = ElevationType::kDefault;
    if (elevated == Elevation::kNo) session.elevation_type = ElevationType::kDefault;
    return session;
}

// Argument `index`, a path or template, as UTF-16 into `out` (`out_size` units); null when not
// given (`index` 0), or when it is longer than the platform would ever report (`limit` units
// with the zero).
const char16_t* GivenText(char** argv, int index, char16_t* out, size_t out_size, size_t limit) {
    if (index == 0 || WideArgument(argv, index, out, out_size) != ArgumentText::kRead)
        return nullptr;
    size_t length = 0;
    while (out[length] != 0) ++length;
    return length < limit ? out : nullptr;
}

// Both readings of the tail, as the program makes them.
struct Readings {
    unsigned mask;
    RegistrationOptions options;
    WideOptions wide;
};

void ReadBoth(const char* tail, const CheckArguments& arguments, const CharClass& classes,
              Readings* readings) {
    readings->mask = ParseOptions(tail, classes, &readings->options);
    // From the line itself and under the system's own code page the tool reads both lines as the
    // program does.
    bool from_the_line = !arguments.has_lead_ranges && arguments.tail_file == 0 && !arguments.utf8;
    if (from_the_line &&
        ReadWideAsTheProgram(arguments.code_page, &readings->options, &readings->wide))
        return;
    // Otherwise the UTF-16 reading is the tail's own text in the code page given.
    static char16_t wide_tail[kProcessCommandLineSize];
    DecodeCodePage(arguments.code_page, tail, wide_tail, kProcessCommandLineSize);
    ParseWideOptions(wide_tail, readings->options, &readings->wide);
}

// What the buttons' plans are made from: the platform's facts with the options' stand-ins.
struct CheckFacts {
    BrowserFacts ssl;
    BrowserFacts plain;
    const char16_t* browser_type;  // what starts the browser's command line
    const char16_t* module_path;
    SessionFacts session;
};

void GatherFacts(char** argv, const CheckArguments& arguments, CheckFacts* facts) {
    static char16_t given_template[kCommandTemplateSize + 1];
    static char16_t given_module_path[kWidePathSize + 1];
    static char16_t given_system_dir[kSystemDirectorySize + 1];
    const char16_t* htm_command =
        GivenText(argv, arguments.htm_command, given_template,
                  sizeof given_template / sizeof(char16_t), kRegistryValueSize);
    facts->module_path = GivenText(argv, arguments.module_path, given_module_path,
                                   sizeof given_module_path / sizeof(char16_t), kWidePathSize);
    const char16_t* system_dir =
        GivenText(argv, arguments.system_dir, given_system_dir,
                  sizeof given_system_dir / sizeof(char16_t), kSystemDirectorySize);

    const char16_t* file_type = nullptr;
    ReadSystemBrowserFacts(&facts->ssl, &facts->plain, &file_type);
    facts->browser_type = u"(--htm-command)";
    if (arguments.htm_command == 0) {
        htm_command = facts->ssl.command_template;
        facts->browser_type = file_type;
    }
    if (arguments.module_path == 0) facts->module_path = SystemModulePath();
    if (arguments.system_dir == 0) system_dir = facts->ssl.system_directory;
    facts->ssl.command_template = facts->plain.command_template = htm_command;
    facts->ssl.system_directory = facts->plain.system_directory = system_dir;
    if (arguments.web_default != kAsThePlatformSays)
        facts->ssl.has_web_default = facts->plain.has_web_default = arguments.web_default == kYes;
    facts->session = SessionOf(arguments);
}

void PrintReadings(const FieldOutput& output, const Readings& readings) {
    Say(Stream::kOut, "mask: 0x%02X\n", readings.mask);
    for (const OptionRow& option : kOptions) {
        if (IsDetail(option)) PrintField(output, option.query_key, readings.options.*option.field);
    }
    PrintWideField("readme", readings.wide.readme);
    PrintWideField("owner_class", readings.wide.owner_class);
    PrintWideField("owner_title", readings.wide.owner_title);
    char number[16];
    snprintf(number, sizeof number, "%ld", static_cast<long>(readings.options.owner_window));
    PrintField(output, "owner_window", number);
}

// The registration address with the details, or null without a host.
const char* AddressOf(RegistrationScheme scheme, const char* host, const CharClass& classes,
                      const Readings& readings) {
    static char addresses[2][kAddressSize];
    char* address = addresses[scheme == RegistrationScheme::kSsl ? 0 : 1];
    char base[kAddressSize];
    if (ComposeRegistrationBase(scheme, host, base, sizeof base) == nullptr) return nullptr;
    return BuildRegistrationUrl(base, readings.options, classes, address, kAddressSize);
}

// Both addresses, and what each button would try with them.
void PrintLaunches(const FieldOutput& output, const char* host, const CharClass& classes,
                   const Readings& readings, const CheckFacts& facts) {
    const char* url_ssl = AddressOf(RegistrationScheme::kSsl, host, classes, readings);
    const char* url_plain = AddressOf(RegistrationScheme::kPlain, host, classes, readings);
    PrintField(output, "url_ssl", url_ssl != nullptr ? url_ssl : "(none: no registration host)");
    PrintField(output, "url_plain",
               url_plain != nullptr ? url_plain : "(none: no registration host)");

    static BrowserPlan ssl_plan;
    static BrowserPlan plain_plan;
    PlanBrowserLaunch(url_ssl, facts.ssl, facts.session, &ssl_plan);
    PlanBrowserLaunch(url_plain, facts.plain, facts.session, &plain_plan);
    ReadmeFacts readme_facts = {readings.wide.readme, facts.module_path,
                                facts.ssl.system_directory};
    static ReadmePlan readme_plan;
    PlanReadmeLaunch(readme_facts, facts.session, &readme_plan);

    PrintCommand("browser_ssl", ssl_plan.plan);
    PrintCommand("browser_plain", plain_plan.plan);
    PrintCommand("readme_command", readme_plan.plan);
    const LaunchStep* notepad = StepOf(readme_plan.plan, LaunchWay::kProcess);
    PrintWideField("readme_program", notepad != nullptr ? notepad->program : u"(none)");
    PrintWays("browser_type", ssl_plan.plan, facts.browser_type);
    PrintWays("browser_type_plain", plain_plan.plan, facts.browser_type);
    PrintWays("readme_ways", readme_plan.plan, u"notepad");
    Say(Stream::kOut, "elevation: %s\n", ElevationName(facts.session));
    Say(Stream::kOut, "shell_is_this_user: %s\n", facts.session.shell_is_this_user ? "yes" : "no");
    Say(Stream::kOut, "dialog: %s\n", DialogName(facts.session));
}

// A host given as argument `index`: as the rule reads it into `host` (UTF-8, every character
// beyond ASCII as one byte beyond it) and as given into `text`, to name it in a message; both of
// kWidePathSize, which no command line outgrows.
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
bool ParseStampArguments(int argc, char** argv, StampArguments* arguments, const char** problem) {
    static char host[kWidePathSize];
    static char16_t host_text[kWidePathSize];
    static char16_t company[kNameSlotUnits + 2];
    static char16_t copyright[kNameSlotUnits + 2];
    static char16_t names[2][kWidePathSize];
    int files[2] = {};
    int file_count = 0;
    for (int i = 2; i < argc; ++i) {
        bool has_value = i + 1 < argc;
        if (strcmp(argv[i], "--print-utf8") == 0) {
            SetPrintUtf8(true);
        } else if (strcmp(argv[i], "--host") == 0 && has_value) {
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

// The registration host of the addresses: the tool's own, --host's or --program's. False, with
// the exit code in `*exit_code`, when it cannot be had.
bool ChooseHost(char** argv, CheckArguments* arguments, int* exit_code) {
    static char host[kWidePathSize];
    static char16_t text[kWidePathSize];
    if (arguments->program != 0) {
        NamedFile program = FileArgument(argv, arguments->program, text, kWidePathSize);
        *exit_code = ReadProgramHost(program, host, sizeof host);
        if (*exit_code != 0) return false;
        // A file's slot may hold anything: only a host name goes into an address.
        if (host[0] != '\0' && !IsRegistrationHostName(host)) {
            Say(Stream::kErr, "regcomplete-check: the host in ");
            PutWide(Stream::kErr, program.name);
            Say(Stream::kErr, ", '");
            PutFileBytes(Stream::kErr, host);
            Say(Stream::kErr, "', is no host name\n");
            *exit_code = 1;
            return false;
        }
        arguments->host = host;
        return true;
    }
    if (arguments->host_index == 0) return true;
    TakeHost(argv, arguments->host_index, host, text);
    HostNameProblem problem = RegistrationHostNameProblem(host);
    if (problem != HostNameProblem::kNone) {
        Say(Stream::kErr, "regcomplete-check: --host '");
        PutWide(Stream::kErr, text);
        Say(Stream::kErr, "' %s; see regcomplete-check --help\n", HostNameAdvice(problem, host));
        *exit_code = 2;
        return false;
    }
    arguments->host = host;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    StartCheckProcess();
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        const char* host = RegistrationHost();
        Say(Stream::kOut, "regcomplete-check " REGCOMPLETE_VERSION " (host %s)\n",
            host[0] != '\0' ? host : "none: a release to stamp");
        return 0;
    }
    WriteStdoutAsBytes();
    if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
        Say(Stream::kOut, "%s", kUsage);
        return 0;
    }
    const char* problem = "";
    // --show and --decode take --print-utf8 before their one argument.
    int first = 2;
    if (argc > 2 && strcmp(argv[2], "--print-utf8") == 0) {
        SetPrintUtf8(true);
        first = 3;
    }
    if (argc >= 2 && strcmp(argv[1], "--show") == 0) {
        if (argc != first + 1) return Usage("--show takes one program");
        static char16_t name[kWidePathSize];
        return RunShow(FileArgument(argv, first, name, kWidePathSize));
    }
    if (argc >= 2 && strcmp(argv[1], "--decode") == 0) {
        if (argc != first + 1) return Usage("--decode takes one address");
        return RunDecode(argv[first]);
    }
    if (argc >= 2 && strcmp(argv[1], "--stamp") == 0) {
        StampArguments stamp = {};
        if (!ParseStampArguments(argc, argv, &stamp, &problem)) return Usage(problem);
        return RunStamp(stamp);
    }
    CheckArguments arguments = {};
    arguments.code_page = SystemCodePage();
    arguments.host = RegistrationHost();
    if (!ParseCheckArguments(argc, argv, &arguments, &problem)) return Usage(problem);
    int exit_code = 0;
    if (!ChooseHost(argv, &arguments, &exit_code)) return exit_code;
    const CharClass classes = ClassesOf(arguments);

    const char* tail = TakeTail(argc, argv, arguments, classes, &problem);
    if (tail == nullptr) return Usage(problem);
    if (!arguments.utf8) WarnOfUtf8(tail, arguments.code_page);
    static Readings readings;
    ReadBoth(tail, arguments, classes, &readings);
    static CheckFacts facts;
    GatherFacts(argv, arguments, &facts);

    const FieldOutput output = {arguments.utf8, arguments.code_page};
    PrintReadings(output, readings);
    PrintLaunches(output, arguments.host, classes, readings, facts);
    return 0;
}
