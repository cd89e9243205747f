// The log that the fake browser and the fake Notepad append to: each program started by
// regcomplete adds the raw bytes of its command line followed by kLaunchRecordEnd. The tests
// write the records they expect in the same shape and compare whole files, so the order of the
// launches and their count are checked along with every byte.
#pragma once

// Names the log file (a Windows path); the tests set it and Wine hands it down to every child.
constexpr char kLaunchLogVariable[] = "REGCOMPLETE_E2E_LOG";
constexpr wchar_t kLaunchLogVariableW[] = L"REGCOMPLETE_E2E_LOG";
// A command line that regcomplete composes never holds a line feed, so this cannot occur in one.
constexpr char kLaunchRecordEnd[] = "\n-- end of command line --\n";
