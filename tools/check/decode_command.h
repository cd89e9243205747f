// regcomplete-check --decode ADDRESS: the details that a registration address carries, as they
// were typed, for support staff with an address from a customer's report and for vendors testing
// their form against it (docs/receiving.md).
#pragma once

// Prints the four details, one a line ("productid: ...") in the order of the address, each as
// UTF-8 with its half-width katakana in full width, or "(none)" when absent; then, each on a line
// of its own starting with "note: ", where a value may not be what was typed. A control character
// is shown as \xNN, so that none reaches the terminal, and a note says so. The exit code: 0, or
// 2 when the address is longer than a command line can be.
int RunDecode(const char* address);
