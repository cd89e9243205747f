// Fuzzes the split of the process command line into the program's name and the tail: the tail
// must start where the rules below put it, inside the line, and never with a blank.
#include "options/command_tail.h"

#include "fuzz_invariants.h"

namespace {

// Where the tail starts. A quoted name runs to the next quote, a lead byte taking the byte after
// it along unless the line ends there, and the closing quote belongs to the name; a bare name runs
// to the first byte from 0x01 to 0x20. Then the blanks and control bytes after it are skipped.
size_t ExpectedTailStart(const FuzzCodePage& page, const std::string& line) {
    size_t i = 0;
    if (!line.empty() && line[0] == '"') {
        for (i = 1; i < line.size() && line[i] != '"';) {
            bool pair = ModelLead(page, line[i]) && i + 1 < line.size();
            i += pair ? 2 : 1;
        }
        if (i < line.size()) ++i;  // the closing quote
    } else {
        while (i < line.size() && static_cast<unsigned char>(line[i]) > 0x20) ++i;
    }
    while (i < line.size() && static_cast<unsigned char>(line[i]) <= 0x20) ++i;
    return i;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input = {data, size};
    FuzzCodePage page = TakeCodePage(&input);
    CharClass classes = CheckedClasses(page);
    std::string line = input.TakeUntilZero();
    std::unique_ptr<char[]> copy = ExactCopy(line);

    const char* tail = SkipProgramName(copy.get(), classes);

    auto what = [&] { return "line " + Shown(line); };
    FUZZ_CHECK(tail >= copy.get() && tail <= copy.get() + line.size(), what());
    size_t start = static_cast<size_t>(tail - copy.get());
    FUZZ_CHECK(start == ExpectedTailStart(page, line),
               what() + ": tail " + Shown(tail) + ", expected " +
                   Shown(line.substr(ExpectedTailStart(page, line))));
    FUZZ_CHECK(tail[0] == '\0' || static_cast<unsigned char>(tail[0]) > 0x20, what());
    if (line[0] == '"' && line.find('"', 1) == std::string::npos) {
        // A line that ends inside the quoted name leaves nothing to read options from.
        FUZZ_CHECK(tail[0] == '\0', what());
    }
    return 0;
}
