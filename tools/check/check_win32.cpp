// regcomplete-check's platform on Windows: the facts read the way the program reads them, through
// the same functions (launch_win32.h, session_win32.h, code_page_win32.h).
#include <fcntl.h>
#include <io.h>
#include <stddef.h>
#include <string.h>
#include <wchar.h>
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
    // The attributes with the reparse point's tag, which says whether it is a link at all.
    FILE_ATTRIBUTE_TAG_INFO information;
    if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &information,
                                      sizeof information))
        return FileKind::kOther;
    static_assert(IsReparseTagNameSurrogate(IO_REPARSE_TAG_SYMLINK) &&
                      IsLinkReparseTag(IO_REPARSE_TAG_SYMLINK) &&
                      IsReparseTagNameSurrogate(IO_REPARSE_TAG_MOUNT_POINT) &&
                      IsLinkReparseTag(IO_REPARSE_TAG_MOUNT_POINT) &&
                      !IsReparseTagNameSurrogate(IO_REPARSE_TAG_DEDUP) &&
                      !IsLinkReparseTag(IO_REPARSE_TAG_DEDUP),
                  "IsLinkReparseTag is IsReparseTagNameSurrogate");
    DWORD attributes = information.FileAttributes;
    bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                IsLinkReparseTag(information.ReparseTag);
    return link                                           ? FileKind::kSymbolicLink
           : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::kDirectory
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

namespace {

// Writes all `size` bytes: 0, or the error of the write that failed.
DWORD WriteAll(HANDLE handle, const unsigned char* bytes, size_t size) {
    for (size_t offset = 0; offset < size;) {
        DWORD written = 0;
        DWORD piece = static_cast<DWORD>(size - offset < 1u << 20 ? size - offset : 1u << 20);
        if (!WriteFile(handle, bytes + offset, piece, &written, nullptr)) return GetLastError();
        if (written == 0) return ERROR_WRITE_FAULT;
        offset += written;
    }
    return 0;
}

// FILE_RENAME_INFO as SetFileInformationByHandle reads it, the name in place; on i686 the flag
// is padded to 4 bytes and the name starts at 12.
struct RenameInformation {
    FILE_RENAME_INFO head;
    wchar_t room[kWidePathSize + 16];
};
static_assert(sizeof(void*) != 4 || offsetof(FILE_RENAME_INFO, FileName) == 12,
              "FILE_RENAME_INFO's layout on i686");

// Renames the file open as `handle` (with DELETE access) over `name`: what is renamed is what was
// written, whatever else that name or the temporary one came to mean meanwhile. 0, or the error.
DWORD RenameOver(HANDLE handle, const wchar_t* name) {
    static RenameInformation information;
    // The full path in the system's own form (\??\C:\..., \??\UNC\server\...), which the
    // rename takes as it is.
    wchar_t* path = information.head.FileName;
    const size_t room = sizeof information.room / sizeof(wchar_t);
    memcpy(path, L"\\??\\", 4 * sizeof(wchar_t));
    DWORD length = GetFullPathNameW(name, static_cast<DWORD>(room - 8), path + 4, nullptr);
    if (length == 0) return GetLastError();
    if (length >= room - 8) return ERROR_FILENAME_EXCED_RANGE;
    wchar_t* full = path + 4;
    if (wcsncmp(full, L"\\\\?\\", 4) == 0 || wcsncmp(full, L"\\\\.\\", 4) == 0) {
        memmove(full, full + 4, (length - 4 + 1) * sizeof(wchar_t));
        length -= 4;
    } else if (full[0] == L'\\' && full[1] == L'\\') {
        memmove(full + 2, full, (length + 1) * sizeof(wchar_t));
        memcpy(full, L"UNC", 3 * sizeof(wchar_t));
        length += 2;  // "\\server" became "UNC\server"
    }
    length += 4;
    information.head.ReplaceIfExists = TRUE;
    information.head.RootDirectory = nullptr;
    information.head.FileNameLength = length * sizeof(wchar_t);
    DWORD size =
        static_cast<DWORD>(offsetof(FILE_RENAME_INFO, FileName) + (length + 1) * sizeof(wchar_t));
    return SetFileInformationByHandle(handle, FileRenameInfo, &information, size) ? 0
                                                                                  : GetLastError();
}

// Removes the file open as `handle` (with DELETE access) once it is closed; false if the file
// system refused.
bool DeleteOnClose(HANDLE handle) {
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                      sizeof disposition) != FALSE;
}

}  // namespace

const char kMakeFolder[] = "mkdir";
const char kClearReadOnly[] = "attrib -r";

SaveResult SaveFile(const NamedFile& file, const unsigned char* bytes, size_t size,
                    SystemReason* reason) {
    const wchar_t* name = WideName(file);
    DWORD attributes = GetFileAttributesW(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetReason(ERROR_ACCESS_DENIED, reason);
        return SaveResult::kReadOnly;
    }
    // The folder: everything up to the last separator, or a drive's "C:".
    size_t folder_length = 0;
    for (size_t i = 0; name[i] != 0; ++i)
        if (name[i] == L'\\' || name[i] == L'/' || (i == 1 && name[i] == L':'))
            folder_length = i + 1;
    static wchar_t temporary[kWidePathSize + 64];
    if (folder_length + 64 > sizeof temporary / sizeof(wchar_t)) {
        SetReason(ERROR_FILENAME_EXCED_RANGE, reason);
        return SaveResult::kFailed;
    }
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_FILE_EXISTS;
    for (unsigned attempt = 0; attempt < 100 && error == ERROR_FILE_EXISTS; ++attempt) {
        memcpy(temporary, name, folder_length * sizeof(wchar_t));
        wsprintfW(temporary + folder_length, L"~regcomplete-check-%lu-%u.tmp",
                  GetCurrentProcessId(), attempt);
        handle = CreateFileW(temporary, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        error = handle == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    }
    if (handle == INVALID_HANDLE_VALUE) {
        SetReason(error, reason);
        return error == ERROR_PATH_NOT_FOUND ? SaveResult::kNoFolder : SaveResult::kFailed;
    }
    error = WriteAll(handle, bytes, size);
    if (error == 0 && !FlushFileBuffers(handle)) error = GetLastError();
    if (error == 0) error = RenameOver(handle, name);
    bool removed = error == 0 || DeleteOnClose(handle);
    CloseHandle(handle);
    // Not renamed, so still under its own name, which no one else can have taken.
    if (!removed) DeleteFileW(temporary);
    if (error == 0) return SaveResult::kSaved;
    SetReason(error, reason);
    return SaveResult::kFailed;
}

OutputEncoding StreamEncoding(FILE* stream, unsigned* code_page) {
    DWORD mode = 0;
    if (GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))), &mode))
        return OutputEncoding::kConsole;
    // Redirected: as the console's own tools write; without a console (GetConsoleOutputCP then
    // fails with 0), as the system's other programs write.
    *code_page = GetConsoleOutputCP();
    if (*code_page == 0) *code_page = GetACP();
    return OutputEncoding::kCodePage;
}

void WriteConsoleUnits(FILE* stream, const char16_t* units, size_t count) {
    HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD written = 0;
    WriteConsoleW(console, units, static_cast<DWORD>(count), &written, nullptr);
}
