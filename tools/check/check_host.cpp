// regcomplete-check's platform on the host: what a Linux terminal gives, and fixed stand-ins for
// what only Windows could say.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "check_output.h"
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

const char* TailAfterDoubleDash(const TailSource& source, const CharClass&, char*, size_t,
                                const char** problem) {
    if (source.separator + 2 != source.argc) {
        *problem = "give the command-line tail as one argument after --";
        return nullptr;
    }
    return source.argv[source.separator + 1];
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

ArgumentText WideArgument(char** argv, int index, char16_t* out, size_t out_size) {
    const char* text = argv[index];
    if (!IsUtf8(text, strlen(text))) {
        if (out_size > 0) out[0] = 0;
        return ArgumentText::kNotText;
    }
    return DecodeUtf8(text, out, out_size) ? ArgumentText::kRead : ArgumentText::kTooLong;
}

namespace {

void SetReason(int error, SystemReason* reason) {
    if (!DecodeUtf8(strerror(error), reason->text, sizeof reason->text / sizeof(char16_t)))
        reason->text[0] = 0;
}

FileKind KindOfMode(mode_t mode) {
    return S_ISREG(mode)                    ? FileKind::kRegular
           : S_ISDIR(mode)                  ? FileKind::kDirectory
           : S_ISLNK(mode)                  ? FileKind::kSymbolicLink
           : S_ISCHR(mode) || S_ISBLK(mode) ? FileKind::kDevice
           : S_ISFIFO(mode)                 ? FileKind::kFifo
                                            : FileKind::kOther;
}

bool WriteAll(int descriptor, const unsigned char* bytes, size_t size) {
    while (size > 0) {
        ssize_t written = write(descriptor, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written == 0) errno = EIO;
        if (written <= 0) return false;
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

FILE* OpenToRead(const NamedFile& file) {
    return fopen(file.bytes, "rb");
}

FileKind KindOfFile(const NamedFile& file) {
    struct stat status;
    return lstat(file.bytes, &status) == 0 ? KindOfMode(status.st_mode) : FileKind::kMissing;
}

ReadResult ReadRegularFile(const NamedFile& file, unsigned char* buffer, size_t size,
                           size_t* length, FileKind* kind, SystemReason* reason) {
    // Without blocking: a FIFO opens at once, and is refused before it is read.
    int descriptor = open(file.bytes, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        SetReason(errno, reason);
        return ReadResult::kFailed;
    }
    struct stat status;
    if (fstat(descriptor, &status) != 0) {
        SetReason(errno, reason);
        close(descriptor);
        return ReadResult::kFailed;
    }
    if (!S_ISREG(status.st_mode)) {
        *kind = KindOfMode(status.st_mode);
        close(descriptor);
        return ReadResult::kNotRegular;
    }
    *length = 0;
    while (*length < size) {
        ssize_t got = read(descriptor, buffer + *length, size - *length);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            SetReason(errno, reason);
            close(descriptor);
            return ReadResult::kFailed;
        }
        if (got == 0) break;
        *length += static_cast<size_t>(got);
    }
    close(descriptor);
    return ReadResult::kRead;
}

bool SameFile(const NamedFile& first, const NamedFile& second) {
    struct stat a, b;
    return stat(first.bytes, &a) == 0 && stat(second.bytes, &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

const char kMakeFolder[] = "mkdir -p";
const char kClearReadOnly[] = "chmod u+w";

SaveResult SaveFile(const NamedFile& file, const unsigned char* bytes, size_t size,
                    SystemReason* reason) {
    // A file nobody may write is left alone, by root too, as Windows leaves a read-only one.
    struct stat existing;
    if (stat(file.bytes, &existing) == 0 && S_ISREG(existing.st_mode) &&
        (existing.st_mode & 0222) == 0) {
        SetReason(EACCES, reason);
        return SaveResult::kReadOnly;
    }
    const char* slash = strrchr(file.bytes, '/');
    int folder_length = slash == nullptr ? 1 : slash == file.bytes ? 1 : int(slash - file.bytes);
    const char* folder = slash == nullptr ? "." : file.bytes;
    char temporary[PATH_MAX];
    if (snprintf(temporary, sizeof temporary, "%.*s/.regcomplete-check.XXXXXX", folder_length,
                 folder) >= static_cast<int>(sizeof temporary)) {
        SetReason(ENAMETOOLONG, reason);
        return SaveResult::kFailed;
    }
    int descriptor = mkstemp(temporary);
    if (descriptor < 0) {
        int error = errno;
        SetReason(error, reason);
        return error == ENOENT ? SaveResult::kNoFolder : SaveResult::kFailed;
    }
    // The mode of the file replaced, or the one fopen would give a new file; mkstemp's is the
    // owner's alone.
    mode_t mask = umask(0);
    umask(mask);
    struct stat replaced;
    mode_t mode = stat(file.bytes, &replaced) == 0 ? replaced.st_mode & 07777 : 0666 & ~mask;
    int error = 0;
    if (fchmod(descriptor, mode) != 0 || !WriteAll(descriptor, bytes, size) ||
        fsync(descriptor) != 0)
        error = errno;
    if (close(descriptor) != 0 && error == 0) error = errno;
    if (error == 0 && rename(temporary, file.bytes) != 0) error = errno;
    if (error != 0) {
        unlink(temporary);
        SetReason(error, reason);
        return SaveResult::kFailed;
    }
    // The rename itself on disk too.
    char folder_path[PATH_MAX];
    snprintf(folder_path, sizeof folder_path, "%.*s", folder_length, folder);
    int folder_descriptor = open(folder_path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_descriptor >= 0) {
        fsync(folder_descriptor);
        close(folder_descriptor);
    }
    return SaveResult::kSaved;
}

OutputEncoding StreamEncoding(FILE* stream, unsigned* code_page) {
    *code_page = kUtf8CodePage;
    return isatty(fileno(stream)) != 0 ? OutputEncoding::kConsole : OutputEncoding::kUtf8;
}

void WriteConsoleUnits(FILE* stream, const char16_t* units, size_t count) {
    WriteUnitsAsUtf8(stream, units, count);
}
