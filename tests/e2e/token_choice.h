// Which token a test starts a program with, chosen by the type it has, not by whose it is: Wine 8
// gives every process a Full token whose linked token is Limited, Wine 10 a Limited one whose
// linked token is Full, and a case that wants "a standard user's token" or "an administrator's"
// must get it under either. Pure, so that the choice is checked on the host for both orders.
#pragma once

#include "launch/launch_plan.h"

enum class TokenPick {
    kOwn,     // the driver's own token
    kLinked,  // its linked token, as a primary one
    kNone,    // neither has the type wanted: the case cannot run here
};

// `has_linked`: the own token has a linked token, of type `linked`.
inline TokenPick ChooseToken(ElevationType wanted, ElevationType own, bool has_linked,
                             ElevationType linked) {
    if (own == wanted) return TokenPick::kOwn;
    if (has_linked && linked == wanted) return TokenPick::kLinked;
    return TokenPick::kNone;
}
