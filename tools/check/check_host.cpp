// regcomplete-check's platform on the host: what a Linux terminal gives, and fixed stand-ins for
// what only Windows could say.
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "check_platform.h"
#include "code_page_text.h"

void StartCheckProcess() {}

void WriteStdoutAsBytes() {}

unsigned SystemCodePage() {
    return 932;
}

void SetUpSystemClasses(unsigned code_page, CharClass* classes) {
    SetUpCharClass(classes, code_page, nullptr);
}

const char* TailAfterDoubleDash(const TailSource& source, const CharClass&, char* out,
                                size_t out_size, const char** problem) {
    if (source.separator + 2 != source.argc) {
        *problem = "give the command-line tail as one argument after --";
        return nullptr;
    }
    const char* tail = source.argv[source.separator + 1];
    if (!source.utf8) return tail;
    TextConversion result = Utf8ToCodePage(tail, strlen(tail), source.code_page, out, out_size);
    if (result == TextConversion::kConverted) return out;
    *problem = ConversionProblem(result, "the tail");
    return nullptr;
}

bool ReadWideAsTheProgram(unsigned, RegistrationOptions*, WideOptions*) {
    return false;
}

void ReadSystemBrowserFacts(BrowserFacts* ssl, BrowserFacts* plain, const char16_t** file_type) {
    *ssl = *plain = BrowserFacts{};
    ssl->system_directory = plain->system_directory = u"C:\\Windows\\system32";
    *file_type = nullptr;
}

const char16_t* SystemModulePath() {
    return nullptr;
}

SessionFacts ReadSystemSession() {
    SessionFacts session = {};
    session.station_visible = true;
    session.session_id = 1;  // the first user's session since Windows Vista
    return session;
}

bool DecodeArgument(const char* value, char16_t* out, size_t out_size) {
    return DecodeUtf8(value, out, out_size);
}

bool WideArgument(char** argv, int index, char16_t* out, size_t out_size) {
    return DecodeUtf8(argv[index], out, out_size);
}

bool SameFile(const char* first, const char* second) {
    struct stat a, b;
    if (stat(first, &a) == 0 && stat(second, &b) == 0)
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    char first_path[PATH_MAX], second_path[PATH_MAX];
    return realpath(first, first_path) != nullptr && realpath(second, second_path) != nullptr &&
           strcmp(first_path, second_path) == 0;
}
