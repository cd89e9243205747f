// The steps for a program that starts regcomplete.exe itself, such as an installer: its windows
// and the controls pressed on them, the dialog shown by a program it started, the command line
// that program got, and programs that must not run.
#pragma once

#include "driver.h"

bool StepWaitWindow(Driver& driver, char* args);
bool StepPress(Driver& driver, char* args);
bool StepPressText(Driver& driver, char* args);
bool StepWaitChildDialog(Driver& driver, char* args);
void StepCheckAlive(Driver& driver, char* args);
void StepCheckGone(Driver& driver, char* args);
void StepCheckCommandLine(Driver& driver, char* args);
void StepCheckNoProcess(Driver& driver, char* args);
