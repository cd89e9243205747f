// regcomplete-check's check mode: shows installer authors what a command-line tail will do,
// without running their installer: the options the program reads, the addresses it would open
// and what each button would start, composed by the program's own functions (launch_plan.h).
//
//   regcomplete-check [--utf8] [--codepage N] [--lead-ranges 81-9F,E0-FC]
//                     [--htm-command TEMPLATE] [--module-path PATH] [--system-dir PATH]
//                     [--web-default yes|no] [--elevated full|default|no] [--session N]
//                     [--station visible|hidden] [--host HOST | --program PROGRAM]
//                     (-- TAIL | --tail-file FILE)
//
// The addresses are those of the tool's own registration host unless --host names another, or
// --program names a regcomplete.exe whose host they take; a tool of the release for every vendor
// has none, and then no address; a --program with none cannot register and is refused. Last, a
// "note:" line for each detail that does not reach the address as given (detail_losses.h), and
// then the exit code is 1. Everything is printed through check_output.h.
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

#include "check_modes.h"
#include "check_output.h"
#include "check_platform.h"
#include "code_page_text.h"
#include "codepage/char_class.h"
#include "detail_losses.h"
#include "launch/launch_plan.h"
#include "options/option_table.h"
#include "options/options.h"
#include "options/wide_options.h"
#include "request/registration_host.h"
#include "request/registration_url.h"
#include "stamp_command.h"

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

// Reads the options before "--", or all of them when the tail comes from a file; false on bad
// usage.
bool ParseCheckArguments(int argc, char** argv, int first, CheckArguments* arguments,
                         const char** problem) {
    for (int i = first; i < argc; ++i) {
        if (strcmp(argv[i], "--") == 0) {
            arguments->separator = i;
            break;
        }
        if (TakeCommonOption(argv[i])) continue;
        bool has_value = i + 1 < argc;
        if (strcmp(argv[i], "--utf8") == 0) {
            arguments->utf8 = true;
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

// The tail in the code page, from the command line or the file; under --utf8 converted from the
// text typed, `*typed`, with each character the code page cannot hold as "?". Null with
// `*problem` set when there is none to read.
const char* TakeTail(int argc, char** argv, const CheckArguments& arguments,
                     const CharClass& classes, const char** typed, const char** problem) {
    // UTF-8 takes up to three bytes for each unit of a command line.
    static char given[3 * kTailSize];
    static char converted[kTailSize];
    const char* tail = given;
    if (arguments.tail_file == 0) {
        const TailSource source = {argc, argv, arguments.separator, arguments.utf8,
                                   arguments.code_page};
        tail = TailAfterDoubleDash(source, classes, given, sizeof given, problem);
        if (tail == nullptr) return nullptr;
    } else {
        static char16_t name[kWidePathSize];
        NamedFile file = FileArgument(argv, arguments.tail_file, name, kWidePathSize);
        if (!ReadTailFile(file, arguments.utf8, given, kTailSize)) {
            *problem = "cannot read the --tail-file, or it is longer than a command line can be";
            return nullptr;
        }
    }
    *typed = tail;
    if (!arguments.utf8) return tail;
    TextConversion result =
        Utf8ToCodePageOrQuestionMark(tail, arguments.code_page, converted, sizeof converted);
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
    unsigned not_in_code_page;  // the details with a character the code page cannot hold
};

// `typed` is the tail as typed under --utf8, which the program reads from its UTF-16 line.
void ReadBoth(const char* tail, const char* typed, const CheckArguments& arguments,
              const CharClass& classes, Readings* readings) {
    readings->mask = ParseOptions(tail, classes, &readings->options);
    readings->not_in_code_page = 0;
    // From the line itself and under the system's own code page the tool reads both lines as the
    // program does.
    bool from_the_line = !arguments.has_lead_ranges && arguments.tail_file == 0 && !arguments.utf8;
    if (from_the_line &&
        ReadWideAsTheProgram(arguments.code_page, &readings->options, &readings->wide)) {
        readings->not_in_code_page = DetailsNotInCodePage(arguments.code_page, readings->wide);
        return;
    }
    // Otherwise the UTF-16 reading is the text typed, or the tail's own text in the code page.
    static char16_t wide_tail[kProcessCommandLineSize];
    if (arguments.utf8)
        DecodeUtf8(typed, wide_tail, kProcessCommandLineSize);
    else
        DecodeCodePage(arguments.code_page, tail, wide_tail, kProcessCommandLineSize);
    ParseWideOptions(wide_tail, readings->options, &readings->wide);
    if (!arguments.utf8) return;
    // As the program does with its UTF-16 line.
    readings->not_in_code_page = DetailsNotInCodePage(arguments.code_page, readings->wide);
    LeaveOutDetailsNotInCodePage(readings->not_in_code_page, &readings->options);
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

// One "note:" line: the detail lost, why, and what to do.
void PrintLoss(const DetailLoss& loss, unsigned code_page) {
    const char* key = loss.option->query_key;
    char letter = loss.option->letter;
    switch (loss.why) {
        case Loss::kPastReadLimit:
            Say(Stream::kOut,
                "note: %s (/%c) is not sent: it is past the 511 bytes of the tail that the "
                "program reads; shorten the tail before it, or give /%c earlier\n",
                key, letter, letter);
            break;
        case Loss::kNoRoom:
            Say(Stream::kOut,
                "note: %s (/%c) is not sent: no room is left for it in the address, which holds "
                "511 bytes with every detail percent-encoded; shorten it or the details before "
                "it\n",
                key, letter);
            break;
        case Loss::kNotInCodePage: {
            char16_t character[3] = {static_cast<char16_t>(loss.character), 0, 0};
            if (loss.character >= 0x10000) {
                character[0] = static_cast<char16_t>(0xD800 + ((loss.character - 0x10000) >> 10));
                character[1] = static_cast<char16_t>(0xDC00 + (loss.character & 0x3FF));
            }
            Say(Stream::kOut, "note: %s (/%c) is not sent as given: '", key, letter);
            PutWide(Stream::kOut, character);
            Say(Stream::kOut,
                "' (U+%04lX) is a character that code page %u cannot hold; leave it out\n",
                loss.character, code_page);
            break;
        }
        case Loss::kBlankAfterLetter:
            Say(Stream::kOut,
                "note: %s (/%c) is empty: the blank after /%c ends its value, and the text after "
                "the blank is ignored; quote the value with no blank after the letter: "
                "/%c\"...\"\n",
                key, letter, letter, letter);
            break;
        case Loss::kNone: break;
    }
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
        if (host[0] == '\0') {
            Say(Stream::kErr, "regcomplete-check: ");
            PutWide(Stream::kErr, program.name);
            Say(Stream::kErr,
                " has no registration host, so it cannot register: stamp it first "
                "(regcomplete-check --stamp --host HOST PROGRAM OUT) and check the stamped "
                "copy\n");
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

int CheckMode(int argc, char** argv, int first) {
    const char* problem = "";
    CheckArguments arguments = {};
    arguments.code_page = SystemCodePage();
    arguments.host = RegistrationHost();
    if (!ParseCheckArguments(argc, argv, first, &arguments, &problem)) return Usage(problem);
    int exit_code = 0;
    if (!ChooseHost(argv, &arguments, &exit_code)) return exit_code;
    const CharClass classes = ClassesOf(arguments);

    const char* typed = nullptr;
    const char* tail = TakeTail(argc, argv, arguments, classes, &typed, &problem);
    if (tail == nullptr) return Usage(problem);
    if (!arguments.utf8) WarnOfUtf8(tail, arguments.code_page);
    static Readings readings;
    ReadBoth(tail, typed, arguments, classes, &readings);
    static CheckFacts facts;
    GatherFacts(argv, arguments, &facts);

    const FieldOutput output = {arguments.utf8, arguments.code_page};
    PrintReadings(output, readings);
    PrintLaunches(output, arguments.host, classes, readings, facts);

    const LossFacts losses = {
        tail,
        &classes,
        &readings.options,
        &readings.wide,
        readings.not_in_code_page,
        arguments.code_page,
        AddressOf(RegistrationScheme::kSsl, arguments.host, classes, readings)};
    DetailLoss lost[kDetailCount];
    size_t count = FindLosses(losses, lost);
    for (size_t i = 0; i < count; ++i) PrintLoss(lost[i], arguments.code_page);
    // A build without a host (the release before its stamp) sends nothing anywhere: however
    // clean the tail, that is no program that registers.
    bool has_host = arguments.host != nullptr && arguments.host[0] != '\0';
    if (!has_host)
        Say(Stream::kOut,
            "note: no registration host, so nothing is sent: check against your stamped "
            "program with --program, or give --host\n");
    return count == 0 && has_host ? 0 : 1;
}
