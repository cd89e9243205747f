// Fuzzes the browser's command line and the plan around it: ComposeBrowserCommand over a fuzzed
// ".htm" open command (UTF-16, two input bytes a unit) and a fuzzed address, or the address
// BuildRegistrationUrl makes from a fuzzed tail; ComposeCommandKey over a fuzzed file type; and
// PlanBrowserLaunch. A command is composed whole or not at all: it is the template up to its
// placeholder, one blank and the whole address. Whatever the registry and the registration
// address can hold must always fit kBrowserCommandSize, and every plan ends in its message.
#include "launch/launch_commands.h"
#include "launch/launch_plan.h"

#include "fuzz_invariants.h"

namespace {

std::unique_ptr<char16_t[]> ExactUnits(const std::u16string& text) {
    std::unique_ptr<char16_t[]> copy(new char16_t[text.size() + 1]);
    std::copy(text.begin(), text.end(), copy.get());
    copy[text.size()] = 0;
    return copy;
}

std::unique_ptr<char16_t[]> FilledUnits(size_t size) {
    std::unique_ptr<char16_t[]> buffer(new char16_t[size == 0 ? 1 : size]);
    for (size_t i = 0; i < size; ++i) buffer[i] = u'X';
    return buffer;
}

bool UnitsTerminatedWithin(const char16_t* buffer, size_t size) {
    for (size_t i = 0; i < size; ++i)
        if (buffer[i] == 0) return true;
    return false;
}

std::u16string Widened(const std::string& bytes) {
    std::u16string units;
    for (char byte : bytes) units += static_cast<unsigned char>(byte);
    return units;
}

// The template up to the first "%1" in double quotes (its opening quote going too), or failing
// that up to the first %1, or the whole template.
std::u16string KeptTemplate(const std::u16string& command_template) {
    size_t cut = command_template.find(u"\"%1\"");
    if (cut == std::u16string::npos) cut = command_template.find(u"%1");
    return command_template.substr(0, cut);
}

void CheckCommandKey(const std::u16string& file_type, size_t out_size) {
    std::unique_ptr<char16_t[]> file_type_copy = ExactUnits(file_type);
    std::unique_ptr<char16_t[]> out = FilledUnits(out_size);
    bool composed = ComposeCommandKey(file_type_copy.get(), out.get(), out_size);
    std::string what = "file type of " + std::to_string(file_type.size()) + " units, size " +
                       std::to_string(out_size);
    std::u16string expected = file_type + u"\\shell\\open\\command";
    if (out_size == 0) {
        FUZZ_CHECK(!composed, what);
        return;
    }
    FUZZ_CHECK(UnitsTerminatedWithin(out.get(), out_size), what + ": no terminating zero");
    if (expected.size() + 1 > out_size) {
        FUZZ_CHECK(!composed && out[0] == 0, what + ": composed what does not fit");
        return;
    }
    FUZZ_CHECK(composed && expected == out.get(), what + ": not the key");
}

}  // namespace

// Input: the code page byte, a control byte (bit 0: the address is built from a tail; bit 1: on the
// plain base; bit 2: no template; bit 3: no address; bit 4: the user has a web default), two bytes
// for the output size (0 gives kBrowserCommandSize), the template, a zero byte, the file type, a
// zero byte, then the address or the tail.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input = {data, size};
    FuzzCodePage page = TakeCodePage(&input);
    CharClass classes = CheckedClasses(page);
    unsigned control = input.TakeByte();
    size_t chosen = input.TakeSize();
    size_t out_size = chosen == 0 ? kBrowserCommandSize : chosen % 2048;
    std::u16string command_template = TakeUnits(&input);
    std::u16string file_type = TakeUnits(&input);
    std::string rest = input.TakeUntilZero();

    CheckCommandKey(file_type, out_size % (kCommandKeySize + 8));
    // Every file type the registry can give makes a key that fits.
    if (file_type.size() < kRegistryValueSize) CheckCommandKey(file_type, kCommandKeySize);

    bool built = (control & 1) != 0;
    bool has_template = (control & 4) == 0;
    bool has_url = built || (control & 8) == 0;
    std::string url = rest;
    if (built) {
        std::unique_ptr<char[]> tail = ExactCopy(rest);
        RegistrationOptions options;
        ParseOptions(tail.get(), classes, &options);
        char address[kAddressSize];
        BuildRegistrationUrl((control & 2) != 0 ? kFuzzPlainBase : kFuzzSslBase, options, classes,
                             address, sizeof address);
        url = address;
    }
    std::unique_ptr<char16_t[]> template_copy = ExactUnits(command_template);
    std::unique_ptr<char[]> url_copy = ExactCopy(url);
    std::unique_ptr<char16_t[]> out = FilledUnits(out_size);

    bool composed = ComposeBrowserCommand(has_template ? template_copy.get() : nullptr,
                                          has_url ? url_copy.get() : nullptr, out.get(), out_size);

    std::string what = "template of " + std::to_string(command_template.size()) +
                       " units, address " + (has_url ? Shown(url) : "(null)") + ", size " +
                       std::to_string(out_size);
    if (out_size == 0) {
        FUZZ_CHECK(!composed, what);
        return 0;
    }
    FUZZ_CHECK(UnitsTerminatedWithin(out.get(), out_size), what);
    std::u16string command = out.get();
    std::u16string kept = has_template ? KeptTemplate(command_template) : u"";
    std::u16string expected = kept + u" " + Widened(url);
    bool possible = has_template && has_url && !kept.empty();
    if (!composed) {
        FUZZ_CHECK(command.empty(), what + ": refused but left a command");
        FUZZ_CHECK(!possible || expected.size() >= out_size,
                   what + ": refused a command that fits");
        // What the registry's expanded command and the registration address can hold always
        // fits the real buffer.
        FUZZ_CHECK(!(possible && out_size == kBrowserCommandSize &&
                     command_template.size() < kCommandTemplateSize && url.size() < kAddressSize),
                   what + ": refused in a buffer of kBrowserCommandSize");
    } else {
        FUZZ_CHECK(possible, what + ": started without a program");
        FUZZ_CHECK(command == expected,
                   what + ": not the template's kept part, a blank, the address");
    }
    if (built) FUZZ_CHECK(IsAddressText(url), what + ": the address would split");

    if (url.size() < kAddressSize && has_url) {
        std::u16string system32 = u"C:\\Windows\\system32";
        BrowserFacts facts = {(control & 16) != 0, has_template ? template_copy.get() : nullptr,
                              system32.c_str()};
        // An elevated token over a split one hands the address to the desktop's shell alone.
        bool elevated = (control & 32) != 0;
        ElevationType type = elevated ? ElevationType::kFull : ElevationType::kLimited;
        SessionFacts session = {true, 1, elevated, type, false, false};
        std::unique_ptr<BrowserPlan> plan(new BrowserPlan);
        PlanBrowserLaunch(url_copy.get(), facts, session, plan.get());
        const LaunchPlan& steps = plan->plan;
        FUZZ_CHECK(steps.count >= 2 && steps.count <= kMaxLaunchSteps, what + ": plan size");
        FUZZ_CHECK(steps.steps[steps.count - 1].way == LaunchWay::kMessage,
                   what + ": the plan does not end in its message");
        std::u16string message = steps.steps[steps.count - 1].message;
        std::u16string widened = Widened(url);
        FUZZ_CHECK(
            !elevated || (steps.count == 2 && steps.steps[0].way == LaunchWay::kDesktopShell &&
                          widened == steps.steps[0].target),
            what + ": elevated, yet not the desktop's shell alone on the address");
        FUZZ_CHECK(
            message.size() >= widened.size() &&
                message.compare(message.size() - widened.size(), widened.size(), widened) == 0,
            what + ": the message does not end with the whole address");
    }
    return 0;
}
