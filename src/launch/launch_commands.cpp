// Composes the browser and Notepad command lines from what the platform reported.
#include "launch/launch_commands.h"

#include <string.h>

namespace {

const char kQuotedPlaceholder[] = "\"%1\"";
const char kBarePlaceholder[] = "%1";

// Appends `length` bytes of `text` at `*used` when they fit with the terminating zero.
bool Append(char* out, size_t out_size, size_t* used, const char* text, size_t length) {
    if (length >= out_size - *used) return false;
    memcpy(out + *used, text, length);
    *used += length;
    out[*used] = '\0';
    return true;
}

bool Refuse(char* out, size_t out_size) {
    if (out_size > 0) out[0] = '\0';
    return false;
}

// The length of the directory part of `path`: up to and including its last backslash, or the
// whole path when there is none. Under code page 932 many characters end in 0x5C (表 is 95 5C),
// so the path is walked forward and a lead byte takes its trail byte with it.
size_t DirectoryLength(const char* path, const CharClass& classes) {
    size_t directory = 0;
    bool found = false;
    size_t i = 0;
    while (path[i] != '\0') {
        if (IsLeadByte(classes, static_cast<unsigned char>(path[i])) && path[i + 1] != '\0') {
            i += 2;
            continue;
        }
        if (path[i] == '\\') {
            directory = i + 1;
            found = true;
        }
        ++i;
    }
    return found ? directory : i;
}

}  // namespace

const char* ChooseBrowserFileType(const HtmAssociation& association,
                                  const char** command_template) {
    // The registry's old API reads a key without a default value as an empty one.
    bool has_choice = association.chosen_type != nullptr && association.chosen_type[0] != '\0' &&
                      association.chosen_command != nullptr &&
                      association.chosen_command[0] != '\0';
    if (has_choice) {
        *command_template = association.chosen_command;
        return association.chosen_type;
    }
    if (association.registered_type == nullptr || association.registered_command == nullptr) {
        *command_template = nullptr;
        return nullptr;
    }
    *command_template = association.registered_command;
    return association.registered_type;
}

bool ComposeCommandKey(const char* file_type, char* out, size_t out_size) {
    if (out_size == 0 || file_type == nullptr) return Refuse(out, out_size);
    size_t used = 0;
    out[0] = '\0';
    if (!Append(out, out_size, &used, file_type, strlen(file_type)) ||
        !Append(out, out_size, &used, kOpenCommandKeySuffix, sizeof kOpenCommandKeySuffix - 1))
        return Refuse(out, out_size);
    return true;
}

bool ComposeBrowserCommand(const char* command_template, const char* url, char* out,
                           size_t out_size) {
    if (out_size == 0 || command_template == nullptr || url == nullptr)
        return Refuse(out, out_size);
    const char* cut = strstr(command_template, kQuotedPlaceholder);
    if (cut == nullptr) cut = strstr(command_template, kBarePlaceholder);
    size_t kept =
        cut != nullptr ? static_cast<size_t>(cut - command_template) : strlen(command_template);
    // With nothing before the address, the address itself would be started as a program.
    if (kept == 0) return Refuse(out, out_size);

    size_t used = 0;
    out[0] = '\0';
    if (!Append(out, out_size, &used, command_template, kept) ||
        !Append(out, out_size, &used, " ", 1) || !Append(out, out_size, &used, url, strlen(url)))
        return Refuse(out, out_size);
    return true;
}

bool ComposeReadmeCommand(const char* readme, const char* module_path, const CharClass& classes,
                          char* out, size_t out_size) {
    if (out_size == 0) return Refuse(out, out_size);
    size_t used = 0;
    out[0] = '\0';
    if (!Append(out, out_size, &used, kNotepadCommandPrefix, sizeof kNotepadCommandPrefix - 1))
        return Refuse(out, out_size);
    if (readme != nullptr && readme[0] != '\0') {
        if (!Append(out, out_size, &used, readme, strlen(readme))) return Refuse(out, out_size);
        return true;
    }
    if (module_path == nullptr) return Refuse(out, out_size);
    if (!Append(out, out_size, &used, module_path, DirectoryLength(module_path, classes)) ||
        !Append(out, out_size, &used, kReadmeFileName, sizeof kReadmeFileName - 1))
        return Refuse(out, out_size);
    return true;
}
