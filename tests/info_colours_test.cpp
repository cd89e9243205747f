#include "ui/info_colours.h"

#include <gtest/gtest.h>

namespace {

struct ColourCase {
    const char* why;
    ColourRequest request;
    bool from_info_box;
    unsigned long high_contrast_flags;
    bool white;
};

// HCF_AVAILABLE is 0x2, HCF_HOTKEYACTIVE 0x4: flags that say nothing about the theme in use.
const ColourCase kColourCases[] = {
    {"the read-only info box turns white", ColourRequest::kStatic, true, 0x0, true},
    {"a label keeps the dialog colour", ColourRequest::kStatic, false, 0x0, false},
    {"any edit box turns white", ColourRequest::kEdit, false, 0x0, true},
    {"high contrast available but off changes nothing", ColourRequest::kStatic, true, 0x6, true},
    {"high contrast leaves the info box to the system", ColourRequest::kStatic, true, 0x1, false},
    {"high contrast among other flags", ColourRequest::kStatic, true, 0x7, false},
    {"high contrast leaves an edit box to the system", ColourRequest::kEdit, true, 0x1, false},
};

class Colours : public testing::TestWithParam<ColourCase> {};

TEST_P(Colours, WhiteOnlyOutsideHighContrast) {
    const ColourCase& c = GetParam();
    EXPECT_EQ(c.white, TakesWhiteBackground(c.request, c.from_info_box, c.high_contrast_flags))
        << c.why;
}

INSTANTIATE_TEST_SUITE_P(Table, Colours, testing::ValuesIn(kColourCases));

}  // namespace
