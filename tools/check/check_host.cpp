// regcomplete-check's platform on the host: what a Linux terminal gives, and fixed stand-ins for
// what only Windows could say.
#include <string.h>

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
    return SessionFacts{};
}

bool DecodeArgument(const char* value, char16_t* out, size_t out_size) {
    return DecodeUtf8(value, out, out_size);
}
