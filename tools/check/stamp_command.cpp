#include "stamp_command.h"

#include <string.h>

#include "check_output.h"
#include "stamp/program_stamp.h"

namespace {

// Far larger than any regcomplete.exe: a bigger file is some other program.
constexpr size_t kLargestProgram = 4 * 1024 * 1024;
unsigned char g_image[kLargestProgram + 1];

const char* KindName(FileKind kind) {
    switch (kind) {
        case FileKind::kDirectory: return "a folder";
        case FileKind::kSymbolicLink: return "a symbolic link";
        case FileKind::kDevice: return "a device";
        case FileKind::kFifo: return "a FIFO (a named pipe)";
        case FileKind::kMissing:
        case FileKind::kRegular:
        case FileKind::kOther: break;
    }
    return "not a regular file";
}

// "regcomplete-check: SUBJECT PROBLEM; nothing written", the subject as given.
int Refuse(const char16_t* subject, const char* problem) {
    Say(Stream::kErr, "regcomplete-check: ");
    PutWide(Stream::kErr, subject);
    Say(Stream::kErr, "%s; nothing written\n", problem);
    return 1;
}

int CannotRead(const NamedFile& file, const SystemReason& reason) {
    Say(Stream::kErr, "regcomplete-check: cannot read ");
    PutWide(Stream::kErr, file.name);
    Say(Stream::kErr, ": ");
    PutWide(Stream::kErr, reason.text);
    Say(Stream::kErr, "\n");
    return 2;
}

// The file's bytes into g_image, if it is a regular file: its size, or -1 with the message and
// `*exit_code` set.
long ReadProgram(const NamedFile& file, int* exit_code) {
    size_t length = 0;
    FileKind kind = FileKind::kOther;
    SystemReason reason = {};
    switch (ReadRegularFile(file, g_image, sizeof g_image, &length, &kind, &reason)) {
        case ReadResult::kRead: return static_cast<long>(length);
        case ReadResult::kNotRegular:
            Say(Stream::kErr, "regcomplete-check: ");
            PutWide(Stream::kErr, file.name);
            Say(Stream::kErr, " is %s, not a program file\n", KindName(kind));
            *exit_code = 1;
            return -1;
        case ReadResult::kFailed: break;
    }
    *exit_code = CannotRead(file, reason);
    return -1;
}

const char* RefusalOf(StampResult result) {
    switch (result) {
        case StampResult::kNotAHostName: return " is not a host name";
        case StampResult::kNameTooLong: {
            static char too_long[128];
            snprintf(too_long, sizeof too_long,
                     " is too long: --company and --copyright hold at most %u characters each (a "
                     "character beyond U+FFFF takes two)",
                     static_cast<unsigned>(kNameSlotUnits));
            return too_long;
        }
        case StampResult::kNotThisProgram: return " is not regcomplete.exe";
        case StampResult::kNotThisRelease:
            return " is regcomplete.exe, but not a release build of "
                   "regcomplete " REGCOMPLETE_VERSION
                   ": stamp it with the regcomplete-check of its own release";
        case StampResult::kDamaged: return ": damaged, or not a release program";
        case StampResult::kSigned:
            return " is signed, and a stamp would break its signature: stamp the unsigned "
                   "program, then sign the stamped copy";
        case StampResult::kStamped: break;
    }
    return "";
}

// "LABEL: NAME" with a name read from a file or given, "(none)" for none.
void PrintName(const char* label, const char16_t* name) {
    Say(Stream::kOut, "%s: ", label);
    if (name == nullptr || name[0] == 0)
        Say(Stream::kOut, "(none)");
    else
        PutWide(Stream::kOut, name);
    Say(Stream::kOut, "\n");
}

void PrintHost(const char* label, const char* host, const char* none) {
    Say(Stream::kOut, "%s: ", label);
    if (host[0] == '\0')
        Say(Stream::kOut, "%s", none);
    else
        PutFileBytes(Stream::kOut, host);
    Say(Stream::kOut, "\n");
}

// The folder of the file `name`: everything before its last separator, or "." when it has none.
void FolderOf(const char16_t* name, char16_t* folder, size_t folder_size) {
    size_t end = 0;
    for (size_t i = 0; name[i] != 0; ++i)
        if (name[i] == u'/' || name[i] == u'\\') end = i;
    if (end == 0 || end >= folder_size) end = 0;
    for (size_t i = 0; i < end; ++i) folder[i] = name[i];
    if (end == 0) folder[end++] = u'.';
    folder[end] = 0;
}

bool IsStamped(const ProgramStamp& stamp) {
    return stamp.host[0] != '\0' || stamp.company[0] != 0 || stamp.copyright[0] != 0;
}

}  // namespace

const char* HostNameAdvice(HostNameProblem problem, const char* host) {
    static char advice[kHostSlotSize + 160];
    char meant[kHostSlotSize];
    bool has_meant = HostMeant(host, meant, sizeof meant);
    switch (problem) {
        case HostNameProblem::kEmpty:
            return "is no host: give your registration host, the name in your form's address";
        case HostNameProblem::kNotTheHostAlone:
            if (!has_meant)
                return "is more than a host name: give the host alone, without a scheme, user, "
                       "path or query";
            snprintf(advice, sizeof advice, "is more than a host name: give the host alone: %s",
                     meant);
            return advice;
        case HostNameProblem::kIpv6Literal:
            return "is an IPv6 address, which is not supported: give a host name";
        case HostNameProblem::kNotAscii:
            return "holds characters beyond ASCII: give its ASCII form, xn--..., as your "
                   "registrar shows it";
        case HostNameProblem::kBadCharacter:
            return "holds a character no host name holds: only letters, digits, '-' and '.', "
                   "and ':' before a port";
        case HostNameProblem::kEmptyLabel:
            return "has an empty label: a dot at its start or end, or two in a row";
        case HostNameProblem::kLabelTooLong:
            return "has a label of more than 63 characters between its dots";
        case HostNameProblem::kHyphenAtLabelEdge: return "has a label that starts or ends with '-'";
        case HostNameProblem::kNameTooLong: return "is longer than 253 characters";
        case HostNameProblem::kBadPort:
            if (!has_meant) return "has a port that is no number from 1 to 65535";
            snprintf(advice, sizeof advice,
                     "has a port that is no number from 1 to 65535: give the host alone: %s, or "
                     "with a port from 1 to 65535",
                     meant);
            return advice;
        case HostNameProblem::kNone: break;
    }
    return "";
}

int RunStamp(const StampArguments& arguments) {
    HostNameProblem host_problem = RegistrationHostNameProblem(arguments.host);
    if (host_problem != HostNameProblem::kNone) {
        Say(Stream::kErr, "regcomplete-check: --host '");
        PutWide(Stream::kErr, arguments.host_text);
        Say(Stream::kErr, "' %s; nothing written\n", HostNameAdvice(host_problem, arguments.host));
        return 1;
    }
    if (arguments.bad_name != nullptr) {
        Say(Stream::kErr, "regcomplete-check: %s %s; nothing written\n", arguments.bad_name,
            arguments.name_problem == ArgumentText::kNotText
                ? "is not Unicode text (bytes that are no UTF-8, an overlong form, or a "
                  "surrogate)"
                : RefusalOf(StampResult::kNameTooLong) + 1);
        return 1;
    }
    if (SameFile(arguments.input, arguments.output))
        return Refuse(arguments.output.name,
                      " is the program itself: the stamped copy must go to another file");
    FileKind output_kind = KindOfFile(arguments.output);
    if (output_kind != FileKind::kMissing && output_kind != FileKind::kRegular) {
        Say(Stream::kErr, "regcomplete-check: ");
        PutWide(Stream::kErr, arguments.output.name);
        Say(Stream::kErr,
            " is %s: the stamped copy goes to a new file or replaces a regular one; nothing "
            "written\n",
            KindName(output_kind));
        return 1;
    }
    int exit_code = 0;
    long size = ReadProgram(arguments.input, &exit_code);
    if (size < 0) return exit_code;
    if (static_cast<size_t>(size) > kLargestProgram)
        return Refuse(arguments.input.name, RefusalOf(StampResult::kDamaged));
    static ProgramStamp before;
    bool read = ReadProgramStamp(g_image, static_cast<size_t>(size), &before);
    bool was_stamped = read && IsStamped(before);
    // A name not given again is the program's own, kept; one given empty clears it.
    bool keeps_company = arguments.company == nullptr && read && before.company[0] != 0;
    bool keeps_copyright = arguments.copyright == nullptr && read && before.copyright[0] != 0;
    const char16_t* company = keeps_company ? before.company : arguments.company;
    const char16_t* copyright = keeps_copyright ? before.copyright : arguments.copyright;
    StampRequest request = {arguments.host, company, copyright};
    StampResult result = StampProgram(g_image, static_cast<size_t>(size), request);
    if (result == StampResult::kNotAHostName) return Refuse(arguments.host_text, RefusalOf(result));
    if (result == StampResult::kNameTooLong) return Refuse(u"a name", RefusalOf(result));
    if (result != StampResult::kStamped) return Refuse(arguments.input.name, RefusalOf(result));
    SystemReason reason = {};
    switch (SaveFile(arguments.output, g_image, static_cast<size_t>(size), &reason)) {
        case SaveResult::kSaved: break;
        case SaveResult::kReadOnly:
            Say(Stream::kErr, "regcomplete-check: ");
            PutWide(Stream::kErr, arguments.output.name);
            Say(Stream::kErr, " is read-only (");
            PutWide(Stream::kErr, reason.text);
            Say(Stream::kErr, "); nothing written: give another OUT, or make it writable: %s \"",
                kClearReadOnly);
            PutWide(Stream::kErr, arguments.output.name);
            Say(Stream::kErr, "\"\n");
            return 2;
        case SaveResult::kNoFolder: {
            static char16_t folder[kWidePathSize];
            FolderOf(arguments.output.name, folder, kWidePathSize);
            Say(Stream::kErr, "regcomplete-check: cannot write ");
            PutWide(Stream::kErr, arguments.output.name);
            Say(Stream::kErr, ": its folder ");
            PutWide(Stream::kErr, folder);
            Say(Stream::kErr, " does not exist; nothing written: make it first: %s \"",
                kMakeFolder);
            PutWide(Stream::kErr, folder);
            Say(Stream::kErr, "\"\n");
            return 2;
        }
        case SaveResult::kFailed:
            Say(Stream::kErr, "regcomplete-check: cannot write ");
            PutWide(Stream::kErr, arguments.output.name);
            Say(Stream::kErr, ": ");
            PutWide(Stream::kErr, reason.text);
            Say(Stream::kErr, "; nothing written\n");
            return 2;
    }
    Say(Stream::kOut, "program: ");
    PutWide(Stream::kOut, arguments.input.name);
    Say(Stream::kOut, "\nstamped: ");
    PutWide(Stream::kOut, arguments.output.name);
    Say(Stream::kOut, "\n");
    PrintHost("host", arguments.host, "(none)");
    PrintName("company", company);
    PrintName("copyright", copyright);
    if (keeps_company)
        Say(Stream::kOut, "kept: company, not given again (--company \"\" clears it)\n");
    if (keeps_copyright)
        Say(Stream::kOut, "kept: copyright, not given again (--copyright \"\" clears it)\n");
    if (was_stamped) {
        PrintHost("replaced host", before.host, "(none)");
        if (!keeps_company) PrintName("replaced company", before.company);
        if (!keeps_copyright) PrintName("replaced copyright", before.copyright);
    }
    if (output_kind == FileKind::kRegular) {
        Say(Stream::kOut, "replaced ");
        PutWide(Stream::kOut, arguments.output.name);
        Say(Stream::kOut, "\n");
    }
    return 0;
}

namespace {

// The stamp of the program `file`: 0, or RunShow's exit code with its message.
int LoadStamp(const NamedFile& file, ProgramStamp* stamp) {
    int exit_code = 0;
    long size = ReadProgram(file, &exit_code);
    if (size < 0) return exit_code;
    if (static_cast<size_t>(size) > kLargestProgram ||
        !ReadProgramStamp(g_image, static_cast<size_t>(size), stamp)) {
        Say(Stream::kErr, "regcomplete-check: ");
        PutWide(Stream::kErr, file.name);
        Say(Stream::kErr, " is not regcomplete.exe\n");
        return 1;
    }
    return 0;
}

}  // namespace

int RunShow(const NamedFile& file) {
    static ProgramStamp stamp;
    int exit_code = LoadStamp(file, &stamp);
    if (exit_code != 0) return exit_code;
    Say(Stream::kOut, "version: ");
    PutFileBytes(Stream::kOut, stamp.marker + sizeof kHostMarkerPrefix - 1);
    Say(Stream::kOut, "\n");
    PrintHost("host", stamp.host, "(none: not stamped)");
    PrintName("company", stamp.company);
    PrintName("copyright", stamp.copyright);
    Say(Stream::kOut, "signed: %s\n", stamp.is_signed ? "yes" : "no");
    Say(Stream::kOut, "stamps with this tool: %s\n", stamp.stampable ? "yes" : "no");
    // The unstamped release it was made from, as the zip's regcomplete.exe.sha256 names it.
    if (stamp.is_release_of_this_version && stamp.is_whole) {
        Say(Stream::kOut, "release: ");
        for (unsigned char byte : stamp.release_sha256) Say(Stream::kOut, "%02x", byte);
        Say(Stream::kOut, "\n");
    } else {
        Say(Stream::kOut, "release: unknown (damaged, or not a release of this version)\n");
    }
    return 0;
}

int ReadProgramHost(const NamedFile& file, char* host, size_t host_size) {
    static ProgramStamp stamp;
    int exit_code = LoadStamp(file, &stamp);
    if (exit_code != 0) return exit_code;
    snprintf(host, host_size, "%s", stamp.host);
    return 0;
}
