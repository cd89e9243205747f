// What Windows says about the session this process runs in, for the launch plans (launch_plan.h).
#pragma once

#include "launch/launch_plan.h"

// The window station's visibility, the session and the token's elevation, read once at start-up.
// Where the platform cannot tell, the station counts as seen, the session as a user's (1) and the
// token as elevated, so that nothing is started with rights that nobody checked.
// `shell_is_this_user` is left false.
SessionFacts ReadSessionFacts();

// Whether the process of the shell's window runs as this process's user: false for another
// user, and when there is no shell window or its process cannot be asked.
bool ShellIsThisUser();
