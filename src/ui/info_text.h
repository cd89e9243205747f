// The text of the dialog's information box, in code page 932 (Shift_JIS).
//
// It is kept as bytes rather than in the resource script so that the dialog sets exactly these
// bytes whatever code page the build machine or the resource compiler assumes.
#pragma once

#include <stddef.h>

constexpr size_t kInfoTextSize = 263;  // 262 bytes of text and the terminating zero

// Six lines joined by CR LF, with no line break after the last one.
extern const char kRegistInfoText[kInfoTextSize];
