#include "e2e/token_choice.h"

#include <gtest/gtest.h>

namespace {

constexpr ElevationType kDefault = ElevationType::kDefault;
constexpr ElevationType kFull = ElevationType::kFull;
constexpr ElevationType kLimited = ElevationType::kLimited;

struct TokenCase {
    const char* why;
    ElevationType wanted;
    ElevationType own;
    bool has_linked;
    ElevationType linked;
    TokenPick pick;
};

const TokenCase kTokenCases[] = {
    {"Wine 8, a standard user's start: the linked token", kLimited, kFull, true, kLimited,
     TokenPick::kLinked},
    {"Wine 8, an administrator's start: its own", kFull, kFull, true, kLimited, TokenPick::kOwn},
    {"Wine 10, a standard user's start: its own", kLimited, kLimited, true, kFull, TokenPick::kOwn},
    {"Wine 10, an administrator's start: the linked token", kFull, kLimited, true, kFull,
     TokenPick::kLinked},
    {"an unsplit token has neither type: the case cannot run", kLimited, kDefault, false, kDefault,
     TokenPick::kNone},
    {"a linked token not read is never taken for the type", kFull, kLimited, false, kFull,
     TokenPick::kNone},
};

TEST(ChooseTokenTest, ByTypeUnderEitherWine) {
    for (const TokenCase& c : kTokenCases)
        EXPECT_EQ(c.pick, ChooseToken(c.wanted, c.own, c.has_linked, c.linked)) << c.why;
}

}  // namespace
