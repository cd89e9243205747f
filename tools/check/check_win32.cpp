// regcomplete-check's platform on Windows: the facts read the way the program reads them, through
// the same functions (launch_win32.h, session_win32.h, code_page_win32.h).
#include <fcntl.h>
#include <io.h>
#include <string.h>
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
    if (WideCharToMultiByte(CP_UTF8, 0, AsWide(wide), -1, out, static_cast<int>(out_size), nullptr,
                            nullptr) > 0)
        return out;
    *problem = ConversionProblem(TextConversion::kTooLong, "the tail");
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

namespace {

// `value` (argv's, in the ANSI code page) as UTF-16, when there is no Unicode argument to take.
bool DecodeArgument(const char* value, char16_t* out, size_t out_size) {
    return DecodeCodePage(CP_ACP, value, out, out_size);
}

bool HasUnpairedSurrogate(const char16_t* text) {
    for (; *text != 0; ++text) {
        bool high = *text >= 0xD800 && *text < 0xDC00;
        bool low_next = text[1] >= 0xDC00 && text[1] < 0xE000;
        if (high && low_next) {
            ++text;
        } else if (*text >= 0xD800 && *text < 0xE000) {
            return true;
        }
    }
    return false;
}

}  // namespace

// msvcrt's own split of the Unicode command line, the same as of the ANSI one that gives argv.
extern "C" int __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** environment, int glob,
                              int* start_info);

ArgumentText WideArgument(char** argv, int index, char16_t* out, size_t out_size) {
    int argc = 0;
    wchar_t** wide_argv = nullptr;
    wchar_t** environment = nullptr;
    int start_info = 0;
    if (__wgetmainargs(&argc, &wide_argv, &environment, 0, &start_info) < 0 || index >= argc)
        return DecodeArgument(argv[index], out, out_size) ? ArgumentText::kRead
                                                          : ArgumentText::kTooLong;
    WideText text = StartText(out, out_size);
    if (!WholeOrNothing(AppendText(&text, reinterpret_cast<const char16_t*>(wide_argv[index])), out,
                        out_size))
        return ArgumentText::kTooLong;
    if (!HasUnpairedSurrogate(out)) return ArgumentText::kRead;
    out[0] = 0;
    return ArgumentText::kNotText;
}

namespace {

const wchar_t* WideName(const NamedFile& file) {
    return reinterpret_cast<const wchar_t*>(file.name);
}

void SetReason(DWORD error, SystemReason* reason) {
    wchar_t* text = reinterpret_cast<wchar_t*>(reason->text);
    DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       0, text, sizeof reason->text / sizeof(wchar_t), nullptr);
    // Without the line end and the full stop Windows ends its messages with.
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' ||
                          text[length - 1] == L'.' || text[length - 1] == L' '))
        --length;
    if (length == 0) length = static_cast<DWORD>(wsprintfW(text, L"error %lu", error));
    text[length] = 0;
}

// Opens `file` to look at it (`access` 0) or read it, without following a link when `link_itself`;
// directories open too, so that they can be told apart.
HANDLE OpenNamed(const NamedFile& file, DWORD access, bool link_itself) {
    return CreateFileW(
        WideName(file), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | (link_itself ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr);
}

FileKind KindOfHandle(HANDLE handle) {
    switch (GetFileType(handle)) {
        case FILE_TYPE_CHAR: return FileKind::kDevice;
        case FILE_TYPE_PIPE: return FileKind::kFifo;
        case FILE_TYPE_DISK: break;
        default: return FileKind::kOther;
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(handle, &information)) return FileKind::kOther;
    DWORD attributes = information.dwFileAttributes;
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? FileKind::kSymbolicLink
           : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0   ? FileKind::kDirectory
                                                            : FileKind::kRegular;
}

}  // namespace

FILE* OpenToRead(const NamedFile& file) {
    return _wfopen(WideName(file), L"rb");
}

FileKind KindOfFile(const NamedFile& file) {
    HANDLE handle = OpenNamed(file, 0, true);
    if (handle == INVALID_HANDLE_VALUE) return FileKind::kMissing;
    FileKind kind = KindOfHandle(handle);
    CloseHandle(handle);
    return kind;
}

ReadResult ReadRegularFile(const NamedFile& file, unsigned char* buffer, size_t size,
                           size_t* length, FileKind* kind, SystemReason* reason) {
    HANDLE handle = OpenNamed(file, GENERIC_READ, false);
    if (handle == INVALID_HANDLE_VALUE) {
        SetReason(GetLastError(), reason);
        return ReadResult::kFailed;
    }
    *kind = KindOfHandle(handle);
    if (*kind != FileKind::kRegular) {
        CloseHandle(handle);
        return ReadResult::kNotRegular;
    }
    *length = 0;
    for (;;) {
        DWORD got = 0;
        DWORD wanted = static_cast<DWORD>(size - *length < 1u << 20 ? size - *length : 1u << 20);
        if (wanted == 0) break;
        if (!ReadFile(handle, buffer + *length, wanted, &got, nullptr)) {
            SetReason(GetLastError(), reason);
            CloseHandle(handle);
            return ReadResult::kFailed;
        }
        if (got == 0) break;
        *length += got;
    }
    CloseHandle(handle);
    return ReadResult::kRead;
}

bool SameFile(const NamedFile& first, const NamedFile& second) {
    BY_HANDLE_FILE_INFORMATION information[2];
    const NamedFile* files[2] = {&first, &second};
    for (int i = 0; i < 2; ++i) {
        HANDLE handle = OpenNamed(*files[i], FILE_READ_ATTRIBUTES, false);
        if (handle == INVALID_HANDLE_VALUE) return false;
        bool known = GetFileInformationByHandle(handle, &information[i]) != 0;
        CloseHandle(handle);
        if (!known) return false;
    }
    return information[0].dwVolumeSerialNumber == information[1].dwVolumeSerialNumber &&
           information[0].nFileIndexHigh == information[1].nFileIndexHigh &&
           information[0].nFileIndexLow == information[1].nFileIndexLow;
}

bool SaveFile(const NamedFile& file, const unsigned char* bytes, size_t size,
              SystemReason* reason) {
    // The folder: everything up to the last separator, or a drive's "C:".
    const wchar_t* name = WideName(file);
    size_t folder_length = 0;
    for (size_t i = 0; name[i] != 0; ++i)
        if (name[i] == L'\\' || name[i] == L'/' || (i == 1 && name[i] == L':'))
            folder_length = i + 1;
    static wchar_t temporary[kWidePathSize + 64];
    if (folder_length + 64 > sizeof temporary / sizeof(wchar_t)) {
        SetReason(ERROR_FILENAME_EXCED_RANGE, reason);
        return false;
    }
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (unsigned attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        memcpy(temporary, name, folder_length * sizeof(wchar_t));
        wsprintfW(temporary + folder_length, L"~regcomplete-check-%lu-%u.tmp",
                  GetCurrentProcessId(), attempt);
        handle = CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (handle == INVALID_HANDLE_VALUE) {
        SetReason(GetLastError(), reason);
        return false;
    }
    bool done = true;
    for (size_t offset = 0; done && offset < size;) {
        DWORD written = 0;
        DWORD piece = static_cast<DWORD>(size - offset < 1u << 20 ? size - offset : 1u << 20);
        done = WriteFile(handle, bytes + offset, piece, &written, nullptr) && written == piece;
        offset += written;
    }
    done = done && FlushFileBuffers(handle);
    DWORD error = GetLastError();
    done = CloseHandle(handle) && done;
    if (done && !MoveFileExW(temporary, name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        done = false;
        error = GetLastError();
    }
    if (done) return true;
    DeleteFileW(temporary);
    SetReason(error, reason);
    return false;
}

bool IsConsole(FILE* stream) {
    DWORD mode = 0;
    return GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))), &mode) != 0;
}

void WriteConsoleUnits(FILE* stream, const char16_t* units, size_t count) {
    HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD written = 0;
    WriteConsoleW(console, units, static_cast<DWORD>(count), &written, nullptr);
}
