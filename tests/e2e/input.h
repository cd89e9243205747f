// What a user does: clicks on the dialog's buttons, keys, the close box, typing into an edit box,
// a click on a list item, and answering a message box.
#pragma once

#include "driver.h"

// A real left click at a screen point, through the input queue as a user's would come.
bool ClickScreenPoint(long x, long y);

bool StepClick(Driver& driver, char* args);
bool StepClickAsync(Driver& driver, char* args);
bool StepKey(Driver& driver, char* args);
bool StepCloseBox(Driver& driver, char* args);
bool StepWmClose(Driver& driver, char* args);
bool StepType(Driver& driver, char* args);
bool StepClickItem(Driver& driver, char* args);
bool StepMessageBox(Driver& driver, char* args);
