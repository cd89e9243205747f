// Fuzzes the browser's command line: ComposeBrowserCommand over a fuzzed ".htm" open command and a
// fuzzed address, or the address BuildRegistrationUrl makes from a fuzzed tail, and on the way
// ComposeCommandKey over a fuzzed file type. A command is composed whole or not at all: it is the
// template up to its placeholder, one blank and the whole address. Whatever the registry and the
// registration address can hold must always fit kBrowserCommandSize.
#include "launch/launch_commands.h"

#include "fuzz_invariants.h"

namespace {

// The template up to the first "%1" in double quotes (its opening quote going too), or failing
// that up to the first %1, or the whole template.
std::string KeptTemplate(const std::string& command_template) {
    size_t cut = command_template.find("\"%1\"");
    if (cut == std::string::npos) cut = command_template.find("%1");
    return command_template.substr(0, cut);
}

void CheckCommandKey(const std::string& file_type, size_t out_size) {
    std::unique_ptr<char[]> file_type_copy = ExactCopy(file_type);
    std::unique_ptr<char[]> out = FilledBuffer(out_size);
    bool composed = ComposeCommandKey(file_type_copy.get(), out.get(), out_size);
    auto what = [&] {
        return "file type " + Shown(file_type) + ", size " + std::to_string(out_size);
    };
    std::string expected = file_type + "\\shell\\open\\command";
    if (out_size == 0) {
        FUZZ_CHECK(!composed, what());
        return;
    }
    FUZZ_CHECK(TerminatedWithin(out.get(), out_size), what() + ": no terminating zero");
    if (expected.size() + 1 > out_size) {
        FUZZ_CHECK(!composed && out[0] == '\0', what() + ": " + Shown(out.get()));
        return;
    }
    FUZZ_CHECK(composed && expected == out.get(), what() + ": " + Shown(out.get()));
}

}  // namespace

// Input: the code page byte, a control byte (bit 0: the address is built from a tail; bit 1: on the
// plain base; bit 2: no template; bit 3: no address), two bytes for the output size (0 gives
// kBrowserCommandSize), the template, a zero byte, the file type, a zero byte, then the address or
// the tail.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input = {data, size};
    FuzzCodePage page = TakeCodePage(&input);
    CharClass classes = CheckedClasses(page);
    unsigned control = input.TakeByte();
    size_t chosen = input.TakeSize();
    size_t out_size = chosen == 0 ? kBrowserCommandSize : chosen % 1024;
    std::string command_template = input.TakeUntilZero();
    std::string file_type = input.TakeUntilZero();
    std::string rest = input.TakeUntilZero();

    CheckCommandKey(file_type, out_size % (kCommandKeySize + 8));
    if (file_type.size() < kRegistryValueSize) {
        // Every file type the registry can give makes a key that fits.
        CheckCommandKey(file_type, kCommandKeySize);
    }

    bool built = (control & 1) != 0;
    bool has_template = (control & 4) == 0;
    bool has_url = built || (control & 8) == 0;
    std::string url = rest;
    if (built) {
        std::unique_ptr<char[]> tail = ExactCopy(rest);
        RegistrationOptions options;
        ParseOptions(tail.get(), classes, &options);
        char address[kAddressSize];
        BuildRegistrationUrl((control & 2) != 0 ? REGIST_URL_PLAIN : REGIST_URL_SSL, options,
                             classes, address, sizeof address);
        url = address;
    }
    std::unique_ptr<char[]> template_copy = ExactCopy(command_template);
    std::unique_ptr<char[]> url_copy = ExactCopy(url);
    std::unique_ptr<char[]> out = FilledBuffer(out_size);

    bool composed = ComposeBrowserCommand(has_template ? template_copy.get() : nullptr,
                                          has_url ? url_copy.get() : nullptr, out.get(), out_size);

    auto what = [&] {
        return "template " + (has_template ? Shown(command_template) : "(null)") + ", address " +
               (has_url ? Shown(url) : "(null)") + ", size " + std::to_string(out_size) +
               ": command " +
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
    std::string kept = has_template ? KeptTemplate(command_template) : "";
    std::string expected = kept + " " + url;
    if (!composed) {
        FUZZ_CHECK(command.empty(), what() + ": refused but left a command");
        bool must_start = has_template && has_url && !kept.empty() && expected.size() < out_size;
        FUZZ_CHECK(!must_start, what() + ": refused a command that fits");
        // What the registry and the registration address can hold always fits the real buffer.
        FUZZ_CHECK(!(has_template && has_url && !kept.empty() && out_size == kBrowserCommandSize &&
                     command_template.size() < kRegistryValueSize && url.size() < kAddressSize),
                   what() + ": refused in a buffer of kBrowserCommandSize");
        return 0;
    }
    FUZZ_CHECK(has_template && has_url && !kept.empty(), what() + ": started without a program");
    // The command ends with one blank and the whole address, after the template's kept part.
    FUZZ_CHECK(command.size() > url.size() &&
                   command.compare(command.size() - url.size(), url.size(), url) == 0 &&
                   command[command.size() - url.size() - 1] == ' ',
               what() + ": does not end with a blank and the whole address");
    FUZZ_CHECK(command == expected, what() + ", expected " + Shown(expected));
    if (built) FUZZ_CHECK(IsAddressText(url), what() + ": the address would split");
    return 0;
}
