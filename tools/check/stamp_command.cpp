#include "stamp_command.h"

#include <stdio.h>
#include <string.h>

#include "code_page_text.h"
#include "stamp/program_stamp.h"

namespace {

// Far larger than any regcomplete.exe: a bigger file is some other program.
constexpr size_t kLargestProgram = 4 * 1024 * 1024;
unsigned char g_image[kLargestProgram + 1];

// The file's bytes into g_image; -1 when it cannot be read, its size otherwise.
long ReadProgram(const char* path) {
    FILE* file = fopen(path, "rb");
    if (file == nullptr) return -1;
    size_t size = fread(g_image, 1, sizeof g_image, file);
    bool read = ferror(file) == 0;
    fclose(file);
    return read ? static_cast<long>(size) : -1;
}

bool WriteProgram(const char* path, size_t size) {
    FILE* file = fopen(path, "wb");
    if (file == nullptr) return false;
    bool written = fwrite(g_image, 1, size, file) == size;
    written = fclose(file) == 0 && written;
    if (!written) remove(path);
    return written;
}

int Refuse(const char* problem, const char* subject) {
    fprintf(stderr, "regcomplete-check: %s%s; nothing written\n", subject, problem);
    return 1;
}

const char* RefusalOf(StampResult result) {
    switch (result) {
        case StampResult::kNotAHostName:
            return " is not a host name (letters, digits, '-' and '.', not starting or ending with "
                   "'-' or '.', and an optional :port), or is longer than 259 characters";
        case StampResult::kNameTooLong:
            return "--company or --copyright is too long: each holds at most 127 UTF-16 units";
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

void PrintName(const char* label, const char16_t* name) {
    printf("%s: ", label);
    if (name[0] == 0) {
        fputs("(none)", stdout);
    } else {
        PutUtf8(name, stdout);
    }
    fputc('\n', stdout);
}

}  // namespace

int RunStamp(const StampArguments& arguments) {
    if (arguments.output_is_input)
        return Refuse(": the stamped copy must go to another file than the program",
                      arguments.output);
    long size = ReadProgram(arguments.input);
    if (size < 0) {
        fprintf(stderr, "regcomplete-check: cannot read %s\n", arguments.input);
        return 2;
    }
    if (static_cast<size_t>(size) > kLargestProgram)
        return Refuse(RefusalOf(StampResult::kDamaged), arguments.input);
    StampRequest request = {arguments.host, arguments.company, arguments.copyright};
    StampResult result = arguments.names_fit
                             ? StampProgram(g_image, static_cast<size_t>(size), request)
                             : StampResult::kNameTooLong;
    if (result == StampResult::kNotAHostName) return Refuse(RefusalOf(result), arguments.host);
    if (result == StampResult::kNameTooLong) return Refuse(RefusalOf(result), "");
    if (result != StampResult::kStamped) return Refuse(RefusalOf(result), arguments.input);
    if (!WriteProgram(arguments.output, static_cast<size_t>(size))) {
        fprintf(stderr, "regcomplete-check: cannot write %s\n", arguments.output);
        return 2;
    }
    printf("stamped: %s, registration host %s\n", arguments.output, arguments.host);
    return 0;
}

int RunShow(const char* path) {
    long size = ReadProgram(path);
    if (size < 0) {
        fprintf(stderr, "regcomplete-check: cannot read %s\n", path);
        return 2;
    }
    static ProgramStamp stamp;
    if (static_cast<size_t>(size) > kLargestProgram ||
        !ReadProgramStamp(g_image, static_cast<size_t>(size), &stamp)) {
        fprintf(stderr, "regcomplete-check: %s is not regcomplete.exe\n", path);
        return 1;
    }
    printf("version: %s\n", stamp.marker + sizeof kHostMarkerPrefix - 1);
    printf("host: %s\n", stamp.host[0] != '\0' ? stamp.host : "(none: not stamped)");
    PrintName("company", stamp.company);
    PrintName("copyright", stamp.copyright);
    printf("signed: %s\n", stamp.is_signed ? "yes" : "no");
    printf("stamps with this tool: %s\n", stamp.stampable ? "yes" : "no");
    // The unstamped release it was made from, as the zip's regcomplete.exe.sha256 names it.
    if (stamp.is_release_of_this_version && stamp.is_whole) {
        fputs("release: ", stdout);
        for (unsigned char byte : stamp.release_sha256) printf("%02x", byte);
        fputc('\n', stdout);
    } else {
        puts("release: unknown (damaged, or not a release of this version)");
    }
    return 0;
}
