// Fuzzes the readme's plan: ComposeReadmePath and PlanReadmeLaunch over a fuzzed readme option
// (set directly, or read from a fuzzed tail by both readings of the options) and a fuzzed module
// path, UTF-16 two input bytes a unit. The path is option R whole, or the module's directory (up
// to its last backslash) and "readme.txt", or nothing; Notepad comes from System32 only, with
// "notepad.exe " and that path; the plan always ends in a message naming the path.
#include "launch/launch_commands.h"
#include "launch/launch_plan.h"
#include "options/wide_options.h"

#include "fuzz_invariants.h"

namespace {

std::u16string ExpectedPath(const std::u16string& readme, const std::u16string& module_path) {
    if (!readme.empty()) return readme;
    size_t slash = module_path.rfind(u'\\');
    return (slash == std::u16string::npos ? module_path : module_path.substr(0, slash + 1)) +
           u"readme.txt";
}

}  // namespace

// Input: the code page byte, a control byte (bit 0: the readme is read from a tail, in both
// readings; bit 1: no readme; bit 2: no module path; bit 3: no System32), the readme or
// the tail, a zero byte, then the module path.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input = {data, size};
    FuzzCodePage page = TakeCodePage(&input);
    CharClass classes = CheckedClasses(page);
    unsigned control = input.TakeByte();
    bool from_tail = (control & 1) != 0;
    std::string tail_bytes;
    std::u16string first;
    if (from_tail) {
        tail_bytes = input.TakeUntilZero();
    } else {
        first = TakeUnits(&input);
    }
    std::u16string module_path = TakeUnits(&input);
    bool has_module_path = (control & 4) == 0;
    bool has_system = (control & 8) == 0;

    std::unique_ptr<RegistrationOptions> options(new RegistrationOptions);
    std::unique_ptr<WideOptions> wide(new WideOptions);
    std::u16string tail_units;
    bool convertible = true;
    const char16_t* readme = nullptr;
    if (from_tail) {
        std::unique_ptr<char[]> tail = ExactCopy(tail_bytes);
        ParseOptions(tail.get(), classes, options.get());
        // The UTF-16 line whose conversion the ANSI one is: a character of the code page, lead
        // byte and trail byte together, is one unit of a character outside ASCII. No double-byte
        // code page has a lead byte in ASCII or a trail byte below 0x40, so a line with one is no
        // conversion of a UTF-16 line, and the readings need not agree on it.
        for (size_t i = 0; i < tail_bytes.size(); ++i) {
            unsigned char byte = static_cast<unsigned char>(tail_bytes[i]);
            if (ModelLead(page, byte) && i + 1 < tail_bytes.size()) {
                unsigned char trail = static_cast<unsigned char>(tail_bytes[++i]);
                convertible = convertible && byte >= 0x80 && trail >= 0x40;
                tail_units += static_cast<char16_t>(0x4E00 + trail);
            } else {
                tail_units += static_cast<char16_t>(byte < 0x80 ? byte : 0x100 + byte);
            }
        }
        ParseWideOptions(tail_units.c_str(), *options, wide.get());
        readme = wide->readme;
        FUZZ_CHECK(!convertible || (options->readme == nullptr) == (wide->readme == nullptr),
                   "the two readings disagree on option R");
    } else if ((control & 2) == 0) {
        readme = first.c_str();
    }
    std::u16string readme_text = readme != nullptr ? readme : u"";
    std::u16string system32 = u"C:\\Windows\\system32";
    ReadmeFacts facts = {readme, has_module_path ? module_path.c_str() : nullptr,
                         has_system ? system32.c_str() : nullptr};
    std::unique_ptr<ReadmePlan> plan(new ReadmePlan);
    PlanReadmeLaunch(facts, SessionFacts{true, 1, false, ElevationType::kLimited, false, false},
                     plan.get());
    const LaunchPlan& steps = plan->plan;

    bool possible = !readme_text.empty() || has_module_path;
    std::u16string expected = possible ? ExpectedPath(readme_text, module_path) : u"readme.txt";
    bool fits = expected.size() < kWidePathSize;
    FUZZ_CHECK(steps.count >= 1 && steps.count <= kMaxLaunchSteps, "plan size");
    const LaunchStep& last = steps.steps[steps.count - 1];
    FUZZ_CHECK(last.way == LaunchWay::kMessage, "the plan does not end in its message");
    if (!possible || !fits) {
        FUZZ_CHECK(steps.count == 1, "a path that cannot be had is still opened");
        return 0;
    }
    std::u16string message = last.message;
    FUZZ_CHECK(message.size() > expected.size() && message.compare(message.size() - expected.size(),
                                                                   expected.size(), expected) == 0,
               "the message does not name the path");
    const LaunchStep& shell = steps.steps[steps.count - 2];
    FUZZ_CHECK(shell.way == LaunchWay::kShell && expected == shell.target,
               "not the shell on the path");
    std::u16string command = u"notepad.exe " + expected;
    bool starts_notepad = has_system && command.size() < kProcessCommandLineSize;
    FUZZ_CHECK(steps.count == (starts_notepad ? 3 : 2),
               "Notepad where it cannot be, or not where it must");
    if (starts_notepad) {
        FUZZ_CHECK(steps.steps[0].way == LaunchWay::kProcess &&
                       command == steps.steps[0].command_line &&
                       system32 + u"\\notepad.exe" == steps.steps[0].program,
                   "not System32's Notepad on the path");
    }
    return 0;
}
