// regcomplete-check's platform on Windows: the facts read the way the program reads them, through
// the same functions (launch_win32.h, session_win32.h, code_page_win32.h).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "check_platform.h"
#include "code_page_text.h"
#include "launch/launch_win32.h"
#include "launch/session_win32.h"
#include "launch/wide_text.h"
#include "options/command_tail.h"
#include "ui/code_page_win32.h"
#include "ui/system_dlls_win32.h"

namespace {

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

// The tail as UTF-16, as the program's second reading gets it; null without " -- ".
const char16_t* WideTail() {
    return TailAfterSeparator(
        SkipProgramName(reinterpret_cast<const char16_t*>(GetCommandLineW())));
}

}  // namespace

void StartCheckProcess() {
    LoadSystemDllsFromSystem32Only();
}

void WriteStdoutAsBytes() {
    _setmode(_fileno(stdout), _O_BINARY);
}

unsigned SystemCodePage() {
    return GetACP();
}

void SetUpSystemClasses(unsigned code_page, CharClass* classes) {
    SetUpCodePageClasses(code_page, classes);
}

const char* TailAfterDoubleDash(const TailSource& source, const CharClass& classes, char* out,
                                size_t out_size, const char** problem) {
    if (!source.utf8) {
        const char* tail = TailAfterSeparator(SkipProgramName(GetCommandLineA(), classes));
        if (tail == nullptr) *problem = kNoSeparator;
        return tail;
    }
    const char16_t* wide = WideTail();
    if (wide == nullptr) {
        *problem = kNoSeparator;
        return nullptr;
    }
    TextConversion result = WideToCodePage(AsWide(wide), source.code_page, out, out_size);
    if (result == TextConversion::kConverted) return out;
    *problem = ConversionProblem(result, "the tail");
    return nullptr;
}

bool ReadWideAsTheProgram(unsigned code_page, RegistrationOptions* options, WideOptions* wide) {
    if (code_page != GetACP()) return false;
    const char16_t* tail = WideTail();
    ParseWideOptions(tail != nullptr ? tail : u"", *options, wide);
    LeaveOutDetailsNotInCodePage(DetailsTheCodePageCannotHold(code_page, *wide), options);
    return true;
}

void ReadSystemBrowserFacts(BrowserFacts* ssl, BrowserFacts* plain, const char16_t** file_type) {
    static BrowserFactBuffers ssl_buffers;
    static BrowserFactBuffers plain_buffers;
    *file_type = nullptr;
    *ssl = ReadBrowserFacts("https", &ssl_buffers, file_type);
    *plain = ReadBrowserFacts("http", &plain_buffers, file_type);
}

const char16_t* SystemModulePath() {
    static char16_t path[kWidePathSize];
    return ReadModulePath(path, kWidePathSize) ? path : nullptr;
}

SessionFacts ReadSystemSession() {
    SessionFacts session = ReadSessionFacts();
    session.shell_is_this_user = ShellIsThisUser();
    return session;
}

bool DecodeArgument(const char* value, char16_t* out, size_t out_size) {
    return DecodeCodePage(CP_ACP, value, out, out_size);
}

// msvcrt's own split of the Unicode command line, the same as of the ANSI one that gives argv.
extern "C" int __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** environment, int glob,
                              int* start_info);

bool WideArgument(char** argv, int index, char16_t* out, size_t out_size) {
    int argc = 0;
    wchar_t** wide_argv = nullptr;
    wchar_t** environment = nullptr;
    int start_info = 0;
    if (__wgetmainargs(&argc, &wide_argv, &environment, 0, &start_info) < 0 || index >= argc)
        return DecodeArgument(argv[index], out, out_size);
    WideText text = StartText(out, out_size);
    return WholeOrNothing(AppendText(&text, reinterpret_cast<const char16_t*>(wide_argv[index])),
                          out, out_size);
}

bool SameFile(const char* first, const char* second) {
    char first_full[MAX_PATH];
    char second_full[MAX_PATH];
    DWORD first_length = GetFullPathNameA(first, MAX_PATH, first_full, nullptr);
    DWORD second_length = GetFullPathNameA(second, MAX_PATH, second_full, nullptr);
    return first_length > 0 && first_length < MAX_PATH && second_length > 0 &&
           second_length < MAX_PATH && lstrcmpiA(first_full, second_full) == 0;
}
