// Which of the dialog's colour requests get a white background. A pure rule, so that it can be
// tested without Windows; the dialog procedure feeds in what the platform reports.
#pragma once

// The two colour messages the dialog answers.
enum class ColourRequest {
    kStatic,  // WM_CTLCOLORSTATIC: the labels, and the info box because it is read-only
    kEdit,    // WM_CTLCOLOREDIT
};

// Windows' own value, which completion_dialog_win32.cpp checks this against.
constexpr unsigned long kHighContrastOn = 0x00000001;  // HCF_HIGHCONTRASTON

// True when the request is answered with white behind and around the text: the info box's, and any
// edit box's, unless high contrast is on (`high_contrast_flags` as SPI_GETHIGHCONTRAST reports
// them). The text keeps the system's colour, which a dark high-contrast theme makes white, so
// there the system's background must stay too.
bool TakesWhiteBackground(ColourRequest request, bool from_info_box,
                          unsigned long high_contrast_flags);
