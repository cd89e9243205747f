// The completion dialog: the program's one window, created from the REGISTER_START template, and
// the one context the whole run shares with it.
#pragma once

#include <windows.h>

#include "codepage/char_class.h"
#include "launch/launch_win32.h"
#include "launch/session_win32.h"
#include "options/options.h"
#include "options/wide_options.h"

// Owned by WinMain and handed to the dialog as its creation parameter; the dialog keeps it with
// DWLP_USER. Everything but the shell session is filled before the dialog exists and only read.
struct CompletionContext {
    CharClass classes;
    RegistrationOptions options;
    WideOptions wide;
    HINSTANCE instance;    // holds the dialog template
    SessionFacts session;  // the window station and the token; who runs the shell is read later
    ShellSession shell;    // loaded when a press first needs the shell
};

// Creates the dialog under the owner the options name, shows it with `show`, centres it on the
// primary screen and paints it. Returns the dialog, or null when it could not be created.
HWND CreateCompletionDialog(CompletionContext* context, int show);
