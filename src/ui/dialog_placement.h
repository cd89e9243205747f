// Where the completion dialog goes and how it is first shown: the owner the options name, the
// centred position and the show state. Pure rules, so that they can be tested without Windows;
// the dialog code feeds in what the platform reports.
#pragma once

#include "options/options.h"

enum class OwnerSource {
    kNone,        // no owner
    kWindow,      // the handle given with /W, unchanged
    kFindWindow,  // the top-level window of class /C and title /T, if there is one
};

// /W wins over /C and /T. A /W handle that names no live window (`owner_window_alive` false) gives
// no owner rather than a dialog that cannot be created. /C and /T count only together; empty
// values count as given.
OwnerSource ChooseOwnerSource(const RegistrationOptions& options, bool owner_window_alive);

// The left (or top) edge that centres `window_extent` pixels in `screen_extent`. Negative when the
// window is larger than the screen; the division truncates toward zero.
int CentredOrigin(int screen_extent, int window_extent);

// Windows' own values, which main_win32.cpp checks these against.
constexpr unsigned long kStartfUseShowWindow = 0x00000001;  // STARTF_USESHOWWINDOW
constexpr int kShowDefault = 10;                            // SW_SHOWDEFAULT

// The show state from the start-up information: its `show_window` when `startup_flags` carry
// STARTF_USESHOWWINDOW, otherwise SW_SHOWDEFAULT.
int ChooseShowState(unsigned long startup_flags, unsigned short show_window);
