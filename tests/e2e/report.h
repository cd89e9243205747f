// The driver's report: what it saw, a line for each thing, ending with "PASS" or "FAILED n". It
// goes to a file because the driver runs as a GUI program inside a Wine virtual desktop, where
// its exit code and output do not reach the test. One report serves the whole run, so that any
// step or helper can note and fail without being handed it.
#pragma once

#include <stdio.h>

#define REPORT_PRINTF(format_index) __attribute__((format(printf, format_index, format_index + 1)))

bool OpenReport(const char* path);
// The scenario line that the notes and failures from now on are about.
void SetScenarioLine(int line_number);
// A line of its own, without a scenario line or a time: the usage, or why no step ran.
void Print(const char* format, ...) REPORT_PRINTF(1);
void Note(const char* format, ...) REPORT_PRINTF(1);
// A failed check or action; the report ends with the number of them.
void Fail(const char* format, ...) REPORT_PRINTF(1);
// Ends the report with "PASS" or "FAILED n"; returns n.
int FinishReport();
// Closes the report as it stands.
void CloseReport();

// Bytes as text with everything outside printable ASCII as \xNN. The text lasts for three more
// calls, so that one message can show a few.
const char* Shown(const char* bytes, int length);
const char* Shown(const char* text);
// A message made now and shown later (WaitUntil's `what`); it lasts until the next call.
const char* Format(const char* format, ...) REPORT_PRINTF(1);
