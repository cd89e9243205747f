#include "ui/dialog_placement.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kNull = nullptr;

struct OwnerCase {
    const char* why;
    int32_t owner_window;
    bool alive;
    const char* owner_class;
    const char* owner_title;
    OwnerSource expected;
};

const OwnerCase kOwnerCases[] = {
    {"nothing given", 0, false, kNull, kNull, OwnerSource::kNone},
    {"a live /W handle is taken as it is", 0x10234, true, kNull, kNull, OwnerSource::kWindow},
    {"a dead /W handle gives no owner", 0x10234, false, kNull, kNull, OwnerSource::kNone},
    {"a negative /W handle that is alive", -2, true, kNull, kNull, OwnerSource::kWindow},
    {"/W wins over /C and /T", 0x10234, true, "Installer", "Setup", OwnerSource::kWindow},
    {"a dead /W still keeps /C and /T from being searched", 0x10234, false, "Installer", "Setup",
     OwnerSource::kNone},
    {"/C and /T together are searched", 0, false, "Installer", "Setup", OwnerSource::kFindWindow},
    {"empty /C and /T count as given", 0, false, "", "", OwnerSource::kFindWindow},
    {"/C alone gives no owner", 0, false, "Installer", kNull, OwnerSource::kNone},
    {"/T alone gives no owner", 0, false, kNull, "Setup", OwnerSource::kNone},
};

class Owner : public testing::TestWithParam<OwnerCase> {};

TEST_P(Owner, FollowsTheOptions) {
    const OwnerCase& c = GetParam();
    RegistrationOptions options = {};
    options.owner_window = c.owner_window;
    options.owner_class = c.owner_class;
    options.owner_title = c.owner_title;
    EXPECT_EQ(static_cast<int>(c.expected), static_cast<int>(ChooseOwnerSource(options, c.alive)))
        << c.why;
}

INSTANTIATE_TEST_SUITE_P(Table, Owner, testing::ValuesIn(kOwnerCases));

struct CentreCase {
    const char* why;
    int screen;
    int window;
    int origin;
};

const CentreCase kCentreCases[] = {
    {"even difference", 1024, 600, 212},
    {"odd difference rounds down", 1024, 601, 211},
    {"as large as the screen", 768, 768, 0},
    {"larger than the screen by an even amount", 800, 1000, -100},
    {"larger by an odd amount truncates toward zero", 800, 1001, -100},
    {"one pixel larger gives zero, not minus one", 800, 801, 0},
};

class Centre : public testing::TestWithParam<CentreCase> {};

TEST_P(Centre, TruncatesTowardZero) {
    const CentreCase& c = GetParam();
    EXPECT_EQ(c.origin, CentredOrigin(c.screen, c.window)) << c.why;
}

INSTANTIATE_TEST_SUITE_P(Table, Centre, testing::ValuesIn(kCentreCases));

struct ShowCase {
    const char* why;
    unsigned long flags;
    unsigned short show_window;
    int show;
};

// STARTF_USESHOWWINDOW is 0x1, STARTF_USESIZE 0x4; SW_HIDE 0, SW_SHOWMAXIMIZED 3,
// SW_SHOWMINNOACTIVE 7, SW_SHOWDEFAULT 10.
const ShowCase kShowCases[] = {
    {"no flags gives the default", 0x0, 3, 10},
    {"other flags without the show flag", 0x4, 3, 10},
    {"the show flag takes the given state", 0x1, 7, 7},
    {"the show flag with hidden", 0x1, 0, 0},
    {"the show flag among others", 0x5, 3, 3},
};

class ShowState : public testing::TestWithParam<ShowCase> {};

TEST_P(ShowState, ComesFromTheStartupInformation) {
    const ShowCase& c = GetParam();
    EXPECT_EQ(c.show, ChooseShowState(c.flags, c.show_window)) << c.why;
}

INSTANTIATE_TEST_SUITE_P(Table, ShowState, testing::ValuesIn(kShowCases));

}  // namespace
