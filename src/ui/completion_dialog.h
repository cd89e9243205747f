// The completion dialog: the program's one window, created from the REGISTER_START template, and
// the values the whole run shares with it.
#pragma once

#include <windows.h>

#include "codepage/char_class.h"
#include "options/options.h"

// Set once at start-up, before the dialog exists, and never changed afterwards.
extern CharClass g_classes;
extern RegistrationOptions g_options;

// The module that holds the template, and the dialog's window while it exists (the message loop
// hands it its keyboard messages; closing the dialog clears it).
extern HINSTANCE g_instance;
extern HWND g_current_dialog;

// Creates the dialog under the owner the options name, shows it with `show`, centres it on the
// primary screen and paints it. Returns the dialog, or null when it could not be created.
HWND CreateCompletionDialog(HINSTANCE instance, int show);

INT_PTR CALLBACK CompletionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
