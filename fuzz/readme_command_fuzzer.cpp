// Fuzzes Notepad's command line: ComposeReadmeCommand over a fuzzed readme option (set directly,
// or read by ParseOptions from a fuzzed tail) and a fuzzed module path. A command is composed
// whole or not at all; the directory of the module path ends at its last backslash that is not
// the trail byte of a double-byte character. Whatever option R and GetModuleFileNameA can give
// must always fit kReadmeCommandSize.
#include "launch/launch_commands.h"

#include "fuzz_invariants.h"

namespace {

// The directory part of `path` up to and including its last backslash, or the whole path. The
// path is taken apart into characters first, a lead byte with the byte after it unless the path
// ends there, so that a trail byte 0x5C is never taken for a backslash.
std::string ExpectedDirectory(const FuzzCodePage& page, const std::string& path) {
    std::vector<size_t> single_byte_characters;
    for (size_t i = 0; i < path.size();) {
        if (ModelLead(page, path[i]) && i + 1 < path.size()) {
            i += 2;
        } else {
            single_byte_characters.push_back(i++);
        }
    }
    for (size_t k = single_byte_characters.size(); k > 0; --k) {
        size_t at = single_byte_characters[k - 1];
        if (path[at] == '\\') return path.substr(0, at + 1);
    }
    return path;
}

}  // namespace

// Input: the code page byte, a control byte (bit 0: the readme is read from a tail by
// ParseOptions; bit 1: no readme; bit 2: no module path), two bytes for the output size (0 gives
// kReadmeCommandSize), the readme or the tail, a zero byte, then the module path.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input = {data, size};
    FuzzCodePage page = TakeCodePage(&input);
    CharClass classes = CheckedClasses(page);
    unsigned control = input.TakeByte();
    size_t chosen = input.TakeSize();
    size_t out_size = chosen == 0 ? kReadmeCommandSize : chosen % 1100;
    std::string first = input.TakeUntilZero();
    std::string module_path = input.TakeUntilZero();

    bool from_tail = (control & 1) != 0;
    bool has_module_path = (control & 4) == 0;
    std::unique_ptr<char[]> first_copy = ExactCopy(first);
    RegistrationOptions options;
    const char* readme = nullptr;
    if (from_tail) {
        ParseOptions(first_copy.get(), classes, &options);
        readme = options.readme;
    } else if ((control & 2) == 0) {
        readme = first_copy.get();
    }
    std::string readme_text = readme != nullptr ? readme : "";
    std::unique_ptr<char[]> module_copy = ExactCopy(module_path);
    std::unique_ptr<char[]> out = FilledBuffer(out_size);

    bool composed = ComposeReadmeCommand(readme, has_module_path ? module_copy.get() : nullptr,
                                         classes, out.get(), out_size);

    auto what = [&] {
        return "code page " + std::to_string(page.code_page) + ", readme " + Shown(readme) +
               ", module path " + (has_module_path ? Shown(module_path) : "(null)") + ", size " +
               std::to_string(out_size) + ": command " +
               (out_size > 0 && TerminatedWithin(out.get(), out_size)
                    ? Shown(out.get())
                    : std::string("(unterminated)"));
    };
    if (out_size == 0) {
        FUZZ_CHECK(!composed, what());
        return 0;
    }
    FUZZ_CHECK(TerminatedWithin(out.get(), out_size), what());
    std::string command = out.get();

    bool by_option = !readme_text.empty();
    bool possible = by_option || has_module_path;
    std::string expected = "notepad.exe ";
    expected += by_option ? readme_text : ExpectedDirectory(page, module_path) + "readme.txt";
    if (!composed) {
        FUZZ_CHECK(command.empty(), what() + ": refused but left a command");
        FUZZ_CHECK(!possible || expected.size() >= out_size, what() + ": refused one that fits");
        // An option R (cut out of the command copy) and a module path that GetModuleFileNameA
        // gives in kModulePathSize bytes always fit the real buffer.
        bool real_sizes = by_option ? (from_tail || readme_text.size() < kCommandCopySize)
                                    : module_path.size() < kModulePathSize;
        FUZZ_CHECK(!(possible && real_sizes && out_size == kReadmeCommandSize),
                   what() + ": refused in a buffer of kReadmeCommandSize");
        return 0;
    }
    FUZZ_CHECK(possible, what() + ": composed without a readme or a module path");
    FUZZ_CHECK(command == expected, what() + ", expected " + Shown(expected));
    return 0;
}
