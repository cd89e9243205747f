// The checks of the program's dialog: its template in the executable, the live dialog and its
// controls, focus, where an edit box is read from, owner, place on the screen, glyphs, Unicode
// texts and how the texts fit; and the dialog's geometry for the screenshot test. A failed check
// is reported and the run goes on.
#pragma once

#include "driver.h"

void StepCheckTemplate(Driver& driver, char* args);
void StepCheckDialog(Driver& driver, char* args);
void StepCheckFocus(Driver& driver, char* args);
void StepCheckTop(Driver& driver, char* args);
void StepCheckOwner(Driver& driver, char* args);
void StepCheckOwnerOrNone(Driver& driver, char* args);
void StepCheckCentred(Driver& driver, char* args);
void StepCheckGlyphs(Driver& driver, char* args);
void StepCheckUnicode(Driver& driver, char* args);
void StepCheckNames(Driver& driver, char* args);
void StepCheckFit(Driver& driver, char* args);
bool StepGeometry(Driver& driver, char* args);
bool StepHidePopups(Driver& driver, char* args);
