#include "detail_losses.h"

#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "request/registration_url.h"
#include "test_support.h"

namespace {

// The losses of `tail` under code page 932, as the check mode finds them: "username:past" ...
std::string LossesOf(const std::string& tail) {
    const CharClass classes = ClassesFor(932);
    static RegistrationOptions read;
    static WideOptions wide;
    ParseOptions(tail.c_str(), classes, &read);
    char address[kAddressSize];
    BuildRegistrationUrl("https://regist.example.com/entry/regist.php", read, classes, address,
                         sizeof address);
    const LossFacts facts = {tail.c_str(), &classes, &read, &wide, 0, 932, address};
    DetailLoss losses[kDetailCount];
    size_t count = FindLosses(facts, losses);
    static const char* const kWhy[] = {"none", "past", "room", "code page", "blank"};
    std::string found;
    for (size_t i = 0; i < count; ++i)
        found += std::string(losses[i].option->query_key) + ":" +
                 kWhy[static_cast<int>(losses[i].why)] + " ";
    return found;
}

struct Case {
    const char* why;
    std::string tail;
    const char* losses;
};

// The whole tail is read in windows of what the program reads: where a window ends decides.
TEST(DetailLossesTest, TheWholeTailAgainstTheProgramsReading) {
    const std::string r = "/R\"" + std::string(495, 'r') + "\" ";  // 500 bytes
    const Case cases[] = {
        {"a quoted value that the 511th byte cuts is lost, and what follows",
         r + "/U\"abcd efgh ijk\" /Pp", "productid:past username:past "},
        {"a value that the byte after the cut ends is whole", r + "/Uabcdefghi /Pp",
         "productid:past "},
        {"an option after a value longer than the program reads",
         "/R\"" + std::string(600, 'r') + "\" /Sabc", "serialno:past "},
        {"an empty value before the next option is as given", "/U /Oabc", ""},
        {"a blank after the letter, then text", "/U \"a b\" /Oabc", "username:blank "},
    };
    for (const Case& c : cases) EXPECT_EQ(c.losses, LossesOf(c.tail)) << c.why;
}

}  // namespace
