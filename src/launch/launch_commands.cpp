// Composes the browser and Notepad command lines from what the platform reported.
#include "launch/launch_commands.h"

#include "launch/wide_text.h"

namespace {

const char16_t kQuotedPlaceholder[] = u"\"%1\"";
const char16_t kBarePlaceholder[] = u"%1";
const char16_t kNotepadCommandPrefix[] = u"notepad.exe ";
const char16_t kNotepadFileName[] = u"\\notepad.exe";

// The length of the directory part of `path`: up to and including its last backslash, or the
// whole path when there is none.
size_t DirectoryLength(const char16_t* path) {
    size_t directory = 0;
    size_t i = 0;
    for (; path[i] != 0; ++i) {
        if (path[i] == u'\\') directory = i + 1;
    }
    return directory != 0 ? directory : i;
}

}  // namespace

const char16_t* ChooseBrowserFileType(const HtmAssociation& association,
                                      const char16_t** command_template) {
    // A key without a default value reads as an empty one.
    bool has_choice = association.chosen_type != nullptr && association.chosen_type[0] != 0 &&
                      association.chosen_command != nullptr && association.chosen_command[0] != 0;
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

bool ComposeCommandKey(const char16_t* file_type, char16_t* out, size_t out_size) {
    if (file_type == nullptr) return EmptyAndFail(out, out_size);
    WideText key = StartText(out, out_size);
    return WholeOrNothing(AppendText(&key, file_type) && AppendText(&key, kOpenCommandKeySuffix),
                          out, out_size);
}

bool ComposeBrowserCommand(const char16_t* command_template, const char* url, char16_t* out,
                           size_t out_size) {
    if (command_template == nullptr || url == nullptr) return EmptyAndFail(out, out_size);
    const char16_t* cut = FindText(command_template, kQuotedPlaceholder);
    if (cut == nullptr) cut = FindText(command_template, kBarePlaceholder);
    size_t kept =
        cut != nullptr ? static_cast<size_t>(cut - command_template) : TextLength(command_template);
    // With nothing before the address, the address itself would be started as a program.
    if (kept == 0) return EmptyAndFail(out, out_size);

    WideText command = StartText(out, out_size);
    return WholeOrNothing(AppendText(&command, command_template, kept) &&
                              AppendText(&command, u" ") && AppendBytes(&command, url),
                          out, out_size);
}

bool ComposeReadmePath(const char16_t* readme, const char16_t* module_path, char16_t* out,
                       size_t out_size) {
    WideText path = StartText(out, out_size);
    if (readme != nullptr && readme[0] != 0)
        return WholeOrNothing(AppendText(&path, readme), out, out_size);
    if (module_path == nullptr) return EmptyAndFail(out, out_size);
    return WholeOrNothing(AppendText(&path, module_path, DirectoryLength(module_path)) &&
                              AppendText(&path, kReadmeFileName),
                          out, out_size);
}

bool ComposeNotepadPath(const char16_t* system_directory, char16_t* out, size_t out_size) {
    if (system_directory == nullptr || system_directory[0] == 0) return EmptyAndFail(out, out_size);
    WideText path = StartText(out, out_size);
    return WholeOrNothing(
        AppendText(&path, system_directory) && AppendText(&path, kNotepadFileName), out, out_size);
}

bool ComposeReadmeCommand(const char16_t* readme_path, char16_t* out, size_t out_size) {
    if (readme_path == nullptr) return EmptyAndFail(out, out_size);
    WideText command = StartText(out, out_size);
    return WholeOrNothing(
        AppendText(&command, kNotepadCommandPrefix) && AppendText(&command, readme_path), out,
        out_size);
}
